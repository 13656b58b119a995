#include "TestSupport.h"
#include "TextDecoding.h"
#include "XMLRPCDecoder.h"
#include "XmlRpcAnswerStream.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray response(const QByteArray& value)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodResponse><params><param><value>" +
           value + "</value></param></params></methodResponse>\n";
}

// How the roads read a whole answer.
DecodeResult wholeAnswer(const QByteArray& bytes)
{
    return XMLRPCDecoder::decode(URLUtilities::correctEncoding(bytes));
}

DecodeResult streamed(const QByteArray& bytes, const QList<qsizetype>& cuts)
{
    XmlRpcAnswerStream stream;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        stream.feed(QByteArrayView(bytes).sliced(from, cut - from));
        from = cut;
    }
    stream.feed(QByteArrayView(bytes).sliced(from));
    return stream.finish();
}

QString describe(const DecodeResult& result)
{
    return QStringLiteral("fault %1 error %2 \"%3\" value %4")
        .arg(result.isFault())
        .arg(int(result.error()))
        .arg(result.errorMessage(), result.value().toString());
}

void compare(const DecodeResult& actual, const DecodeResult& expected, const QString& where)
{
    const bool same = actual.isFault() == expected.isFault() &&
                      actual.isServerFault() == expected.isServerFault() &&
                      actual.error() == expected.error() &&
                      actual.errorMessage() == expected.errorMessage() &&
                      actual.value() == expected.value();
    QVERIFY2(same, qPrintable(where + QStringLiteral(": ") + describe(actual) +
                              QStringLiteral(" instead of ") + describe(expected)));
}

} // namespace

class tst_XmlRpcAnswerStream : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }

    void readsAsTheWholeAnswerIsRead_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("struct, array and names") << response(
            "<struct><member><name>postid</name><value><string>21</string></value></member>"
            "<member><name>BlogName</name><value>untyped text</value></member>"
            "<member><name>categories</name><value><array><data><value><string>News</string>"
            "</value><value><i4>7</i4></value></data></array></value></member>"
            "<member><name>sticky</name><value><boolean>1</boolean></value></member></struct>");
        QTest::newRow("entities") << response(
            "<string>a &amp; b &lt;p&gt;x&lt;/p&gt; &quot;q&quot; &#233; &#x1F600; &nbsp;| "
            "&hellip; &unknown;</string>");
        QTest::newRow("utf-8 sequences")
            << response("<struct><member><name>caf\xC3\xA9</name><value><string>\xE2\x82\xAC "
                        "\xF0\x9F\x98\x80 \xC3\xBC\xE4\xB8\xAD</string></value></member></struct>");
        QTest::newRow("base64") << response("<base64>aGVsbG8g\nd29y&#x62;GQ=</base64>");
        QTest::newRow("dates") << response(
            "<array><data><value><dateTime.iso8601>20261201T10:30:00</dateTime.iso8601></value>"
            "<value><dateTime.iso8601>2026-12-01T10:30:00Z</dateTime.iso8601></value>"
            "</data></array>");
        QTest::newRow("cdata holding a closing tag")
            << response("<string><![CDATA[<html> </methodResponse> & more]]> after</string>");
        QTest::newRow("comment inside a string")
            << response("<string>before<!-- note -->after\r\nnext</string>");
        QTest::newRow("junk around the document")
            << "<b>Warning</b>: deprecated in file.php\n" + response("<int>42</int>") +
                   "<!-- 0.1 s --> trailing";
        QTest::newRow("closing tag in another case, junk behind")
            << QByteArray("<?xml version=\"1.0\"?><methodResponse><params><param><value>"
                          "<string>x</string></value></param></params></MethodResponse>junk");
        QTest::newRow("a wrong closing tag that is not the last")
            << QByteArray("<?xml version=\"1.0\"?><methodResponse><params><param><value>"
                          "<string>x</string></value></param></params></methodresponse>"
                          "</methodResponse>");
        QTest::newRow("standalone declaration")
            << QByteArray("<?xml version=\"1.0\" standalone=\"yes\"?><methodResponse><params>"
                          "<param><value>&nbsp;</value></param></params></methodResponse>");
        QTest::newRow("fault") << QByteArray(
            "<?xml version=\"1.0\"?><methodResponse><fault><value><struct><member><name>faultCode"
            "</name><value><int>403</int></value></member><member><name>faultString</name>"
            "<value><string>Incorrect username or password.</string></value></member></struct>"
            "</value></fault></methodResponse>");
        QTest::newRow("cut short") << QByteArray(
            "<?xml version=\"1.0\"?><methodResponse><params><param><value><string>abc");
        QTest::newRow("POST only, after a declaration")
            << QByteArray("<?xml version=\"1.0\"?><methodResponse>XML-RPC server accepts POST "
                          "requests only.</methodResponse>");
        QTest::newRow("HTML behind a declaration")
            << QByteArray("<?xml version=\"1.0\"?>\n<html><body>Not here</body></html>");
        QTest::newRow("no declaration") << QByteArray("<html><body>Oops</body></html>");
        QTest::newRow("a DTD") << QByteArray(
            "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"b\">]><methodResponse/>");
        QTest::newRow("Latin-1, declared")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><methodResponse><params>"
                          "<param><value><string>caf\xE9</string></value></param></params>"
                          "</methodResponse>");
        QTest::newRow("Latin-1, undeclared")
            << QByteArray("<?xml version=\"1.0\"?><methodResponse><params><param><value><string>"
                          "caf\xE9 \xFC</string></value></param></params></methodResponse>");
        QTest::newRow("UTF-16 with a byte-order mark") << [] {
            const QString text = QString::fromUtf8(response("<string>\xC3\xA9t\xC3\xA9</string>"));
            QByteArray bytes("\xFF\xFE");
            bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            return bytes;
        }();
    }

    // Every place an answer may be cut between two pieces, and a byte at a
    // time: inside tags, references, UTF-8 sequences, Base64 and the closing tag.
    void readsAsTheWholeAnswerIsRead()
    {
        QFETCH(QByteArray, answer);
        const DecodeResult expected = wholeAnswer(answer);
        compare(streamed(answer, {}), expected, QStringLiteral("in one piece"));
        for (qsizetype cut = 1; cut < answer.size(); ++cut)
            compare(streamed(answer, {cut}), expected, QStringLiteral("cut at %1").arg(cut));
        QList<qsizetype> everyByte;
        for (qsizetype cut = 1; cut < answer.size(); ++cut)
            everyByte.append(cut);
        compare(streamed(answer, everyByte), expected, QStringLiteral("a byte at a time"));
    }

    // The answers a WordPress server gave, in pieces of random sizes.
    void recordedAnswersReadInPieces()
    {
        const QDir recorded(plumet::test::testDataPath(QStringLiteral("wordpress-6.1")));
        const QStringList files = recorded.entryList({QStringLiteral("*.response.xml")});
        QVERIFY(files.size() >= 10);
        QRandomGenerator random(35);
        for (const QString& file : files) {
            const QByteArray answer = plumet::test::readTestData("wordpress-6.1/" + file);
            const DecodeResult expected = wholeAnswer(answer);
            for (int round = 0; round < 8; ++round) {
                QList<qsizetype> cuts;
                for (qsizetype at = random.bounded(1, 300); at < answer.size();
                     at += random.bounded(1, 4096))
                    cuts.append(at);
                compare(streamed(answer, cuts), expected, file);
            }
        }
    }

    // A stray byte that is not UTF-8 in a UTF-8 answer is read as ISO 8859-1 by
    // itself; the UTF-8 text around it keeps its characters.
    void aStrayByteLeavesTheUtf8AroundItAlone()
    {
        const QByteArray answer = response("<string>caf\xC3\xA9 \xE9t\xE9 \xF0\x9F\x98\x80</string>");
        for (const qsizetype cut : {qsizetype(0), answer.indexOf("\xA9"), answer.indexOf("\x9F")}) {
            const DecodeResult result = streamed(answer, cut > 0 ? QList<qsizetype>{cut} : QList<qsizetype>{});
            QVERIFY(!result.isFault());
            QCOMPARE(result.value().toString(), QString::fromUtf8("caf\xC3\xA9 \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"));
        }
    }
};

QTEST_GUILESS_MAIN(tst_XmlRpcAnswerStream)
#include "tst_xmlrpcanswerstream.moc"
