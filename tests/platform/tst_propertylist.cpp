#include "PlistUid.h"
#include "PropertyList.h"

#include <QDateTime>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

using Format = PropertyList::Format;

namespace {

QDateTime utc(const QString& iso)
{
    return QDateTime::fromString(iso, Qt::ISODateWithMs);
}

QVariantList nested(int depth)
{
    QVariantList list{QStringLiteral("leaf")};
    for (int i = 0; i < depth; ++i)
        list = QVariantList{QVariant(list)};
    return list;
}

QByteArray bigEndian64(quint64 value)
{
    QByteArray out(8, '\0');
    for (int i = 7; i >= 0; --i, value >>= 8)
        out[i] = char(value & 0xff);
    return out;
}

// A hand-laid binary property list: objects at the given offsets, 1-byte
// offsets and references, `top` as the root.
QByteArray binaryPlist(const QList<QByteArray>& objects, quint8 top = 0)
{
    QByteArray bytes("bplist00");
    QByteArray table;
    for (const QByteArray& object : objects) {
        table.append(char(bytes.size()));
        bytes.append(object);
    }
    const quint8 tableOffset = quint8(bytes.size());
    bytes.append(table);
    QByteArray trailer(6, '\0');
    trailer.append(char(1)); // offset size
    trailer.append(char(1)); // reference size
    trailer += bigEndian64(quint64(objects.size())) + bigEndian64(top) + bigEndian64(tableOffset);
    return bytes + trailer;
}

} // namespace

class tst_PropertyList : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void readsXmlWrittenElsewhere();
    void malformedInputIsAnError_data();
    void malformedInputIsAnError();
    void everyTruncationIsAnError();
    void unstorableValuesAreRefused_data();
    void unstorableValuesAreRefused();
    void storableKeepsWhatCanBeStored();
    void xmlValuesAreCheckedAtTheEdges_data();
    void xmlValuesAreCheckedAtTheEdges();
    void binaryObjectCountIsBoundByTheFile();
    void plistutilReadsOurBinaryOutput();
    void writeFileKeepsOldFileOnFailure();
};

void tst_PropertyList::roundTrip_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("format");

    const QVariantMap tree{
        {QStringLiteral("title"), QStringLiteral("Über café – 日本語 🎉")},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("count"), qint64(42)},
        {QStringLiteral("negative"), qint64(-5)},
        {QStringLiteral("max"), std::numeric_limits<qint64>::max()},
        {QStringLiteral("min"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("real"), 0.1},
        {QStringLiteral("huge"), 1e300},
        {QStringLiteral("yes"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("date"), utc(QStringLiteral("2026-03-04T05:06:07.000Z"))},
        {QStringLiteral("before2001"), utc(QStringLiteral("1999-12-31T23:59:58.000Z"))},
        // Outside the 32-bit seconds some writers are limited to.
        {QStringLiteral("history"), utc(QStringLiteral("1920-03-04T05:06:07.000Z"))},
        {QStringLiteral("long ago"), utc(QStringLiteral("1066-10-14T09:00:00.000Z"))},
        {QStringLiteral("far ahead"), utc(QStringLiteral("2100-01-01T00:00:00.000Z"))},
        {QStringLiteral("data"), QByteArray("\0\1\2binary\xff", 10)},
        {QStringLiteral("list"), QVariantList{qint64(1), QStringLiteral("two"), QVariantList{}}},
        {QStringLiteral("map"), QVariantMap{{QStringLiteral("inner"), QVariantMap{}}}},
    };
    for (const auto& [name, format] : {std::pair{"binary", Format::Binary}, {"xml", Format::Xml}}) {
        QTest::addRow("%s tree", name) << QVariant(tree) << int(format);
        QTest::addRow("%s bare string", name) << QVariant(QStringLiteral("solo")) << int(format);
        QTest::addRow("%s uid", name) << QVariant::fromValue(PlistUid{7}) << int(format);
    }
    // XML dates carry whole seconds; binary ones keep the fraction.
    QTest::newRow("binary date with milliseconds")
        << QVariant(utc(QStringLiteral("2026-03-04T05:06:07.250Z"))) << int(Format::Binary);
    QTest::newRow("binary date before 2001 with milliseconds")
        << QVariant(utc(QStringLiteral("1999-12-31T23:59:58.500Z"))) << int(Format::Binary);
    QTest::newRow("binary date of 1920 with milliseconds")
        << QVariant(utc(QStringLiteral("1920-01-01T00:00:00.125Z"))) << int(Format::Binary);
    // More objects than the reader keeps in its small-file table, and strings past
    // the one-byte length.
    QVariantList many;
    for (int i = 0; i < 70000; ++i)
        many.append(i % 7 == 0 ? QVariant(QStringLiteral("item %1 ").arg(i).repeated(3))
                               : QVariant(qint64(i) * 100003));
    QTest::newRow("binary many objects") << QVariant(many) << int(Format::Binary);
}

void tst_PropertyList::roundTrip()
{
    QFETCH(QVariant, value);
    QFETCH(int, format);
    QString error;
    const QByteArray bytes = PropertyList::write(value, Format(format), &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));
    const QVariant back = PropertyList::read(bytes, &error);
    QVERIFY2(back.isValid(), qPrintable(error));
    QCOMPARE(back, value);
}

void tst_PropertyList::readsXmlWrittenElsewhere()
{
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>when</key><date>2001-01-01T00:00:10Z</date>
<key>n</key><integer>-12</integer>
<key>s</key><string>a &amp; b</string>
<key>ref</key><dict><key>CF$UID</key><integer>3</integer></dict>
</dict></plist>)";
    QString error;
    const QVariantMap map = PropertyList::read(xml, &error).toMap();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(map.value("when").toDateTime(), utc(QStringLiteral("2001-01-01T00:00:10.000Z")));
    QCOMPARE(map.value("n"), QVariant(qint64(-12)));
    QCOMPARE(map.value("s"), QVariant(QStringLiteral("a & b")));
    QCOMPARE(map.value("ref").value<PlistUid>().value, quint64(3));
}

void tst_PropertyList::malformedInputIsAnError_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qsizetype>("maxSize");
    const qsizetype normal = PropertyList::DefaultMaxSize;

    QTest::newRow("empty") << QByteArray() << normal;
    QTest::newRow("text") << QByteArray("hello, this is not a plist") << normal;
    QTest::newRow("unclosed xml") << QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key>")
                                  << normal;
    QTest::newRow("too large") << PropertyList::write(QStringLiteral("0123456789"), Format::Xml)
                               << qsizetype(16);
    QTest::newRow("header only") << QByteArray("bplist00") << normal;
    // An array (0xA1) whose one member is object 5 of 2.
    QTest::newRow("reference out of range")
        << binaryPlist({QByteArray("\xA1\x05", 2), QByteArray("\x09", 1)}) << normal;
    // An array holding itself.
    QTest::newRow("cycle") << binaryPlist({QByteArray("\xA1\x00", 2)}) << normal;
    // Each array holds the next one twice: 2^40 nodes from a few bytes.
    QList<QByteArray> laughs;
    for (quint8 i = 0; i < 40; ++i)
        laughs.append(QByteArray("\xA2", 1) + char(i + 1) + char(i + 1));
    laughs.append(QByteArray("\x09", 1));
    QTest::newRow("shared references explode") << binaryPlist(laughs) << normal;
    // A string claiming more characters than the file holds.
    QTest::newRow("string past end") << binaryPlist({QByteArray("\x5F\x10\x7F"
                                                                "abc",
                                                                6)})
                                     << normal;
    QByteArray badTable = binaryPlist({QByteArray("\x09", 1)});
    badTable[badTable.size() - 1] = char(120);
    QTest::newRow("offset table past end") << badTable << normal;
    QByteArray deepXml("<?xml version=\"1.0\"?><plist version=\"1.0\">");
    for (int i = 0; i < 100000; ++i)
        deepXml += "<array>";
    deepXml += "<true/>";
    for (int i = 0; i < 100000; ++i)
        deepXml += "</array>";
    deepXml += "</plist>";
    QTest::newRow("nested too deeply") << deepXml << normal;
}

void tst_PropertyList::malformedInputIsAnError()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qsizetype, maxSize);
    QString error;
    QVERIFY(!PropertyList::read(bytes, &error, maxSize).isValid());
    QVERIFY(!error.isEmpty());
}

void tst_PropertyList::everyTruncationIsAnError()
{
    const QVariantMap value{
        {QStringLiteral("list"), QVariantList{qint64(1), 2.5, QStringLiteral("x")}},
        {QStringLiteral("date"), QDateTime::currentDateTimeUtc()},
        {QStringLiteral("data"), QByteArray(40, 'd')}};
    for (Format format : {Format::Binary, Format::Xml}) {
        const QByteArray bytes = PropertyList::write(value, format);
        // XML may end in white space that is not needed; binary may not.
        const qsizetype needed = format == Format::Xml ? bytes.lastIndexOf('>') + 1 : bytes.size();
        for (qsizetype length = 0; length < needed; ++length) {
            QString error;
            const QVariant back = PropertyList::read(bytes.left(length), &error);
            QVERIFY2(!back.isValid() || back != QVariant(value),
                     qPrintable(QStringLiteral("prefix of %1 bytes").arg(length)));
            if (!back.isValid())
                QVERIFY(!error.isEmpty());
        }
    }
}

void tst_PropertyList::unstorableValuesAreRefused_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("nothing") << QVariant();
    QTest::newRow("NUL in text") << QVariant(QString::fromUtf8("cut\0here", 8));
    QTest::newRow("NUL in key") << QVariant(QVariantMap{{QString::fromUtf8("k\0", 2), 1}});
    QTest::newRow("null inside a list") << QVariant(QVariantList{1, QVariant()});
    QTest::newRow("unsigned too large") << QVariant(std::numeric_limits<quint64>::max());
    QTest::newRow("not a number") << QVariant(std::numeric_limits<double>::quiet_NaN());
    QTest::newRow("date beyond what readers accept")
        << QVariant(QDateTime(QDate(400000, 1, 1), QTime(0, 0), Qt::UTC));
    QTest::newRow("unsupported type") << QVariant(QPoint(1, 2));
    QTest::newRow("too deep") << QVariant(nested(PropertyList::MaxDepth + 2));
}

void tst_PropertyList::unstorableValuesAreRefused()
{
    QFETCH(QVariant, value);
    for (Format format : {Format::Binary, Format::Xml}) {
        QString error;
        QVERIFY(PropertyList::write(value, format, &error).isEmpty());
        QVERIFY(!error.isEmpty());
    }
}

void tst_PropertyList::storableKeepsWhatCanBeStored()
{
    const QDateTime history = utc(QStringLiteral("1920-03-04T05:06:07.000Z"));
    const QVariantMap tree{
        {QStringLiteral("date_created_gmt"), history},
        {QStringLiteral("ratio"), std::numeric_limits<double>::quiet_NaN()},
        {QStringLiteral("views"), std::numeric_limits<quint64>::max()},
        {QStringLiteral("custom_fields"),
         QVariantList{QVariantMap{{QStringLiteral("key"), QStringLiteral("mood")},
                                  {QStringLiteral("value"), QString::fromUtf8("a\0b", 3)}},
                      qint64(7)}},
    };
    QStringList leftOut;
    const QVariant kept = PropertyList::storable(tree, &leftOut);
    const QVariantMap expected{
        {QStringLiteral("date_created_gmt"), history},
        {QStringLiteral("custom_fields"),
         QVariantList{QVariantMap{{QStringLiteral("key"), QStringLiteral("mood")}}, qint64(7)}},
    };
    QCOMPARE(kept, QVariant(expected));
    QCOMPARE(leftOut.size(), 3);
    QVERIFY2(leftOut.filter(QStringLiteral("ratio")).size() == 1, qPrintable(leftOut.join('\n')));
    QVERIFY(leftOut.filter(QStringLiteral("views")).size() == 1);
    QVERIFY(leftOut.filter(QStringLiteral("custom_fields[0].value")).size() == 1);
    QString error;
    QVERIFY2(!PropertyList::write(kept, Format::Binary, &error).isEmpty(), qPrintable(error));
}

void tst_PropertyList::xmlValuesAreCheckedAtTheEdges_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QVariant>("expected"); // invalid: the document is refused

    const auto date = [](int year, int month, int day, int h, int m, int s) {
        return QVariant(QDateTime(QDate(year, month, day), QTime(h, m, s), Qt::UTC));
    };
    QTest::newRow("date of 1920") << QByteArray("<date>1920-03-04T05:06:07Z</date>")
                                  << date(1920, 3, 4, 5, 6, 7);
    QTest::newRow("date of 2100") << QByteArray("<date>2100-12-31T23:59:59Z</date>")
                                  << date(2100, 12, 31, 23, 59, 59);
    QTest::newRow("garbage date") << QByteArray("<date>soon</date>") << QVariant();
    QTest::newRow("month 13") << QByteArray("<date>2020-13-01T00:00:00Z</date>") << QVariant();
    QTest::newRow("largest integer") << QByteArray("<integer>9223372036854775807</integer>")
                                     << QVariant(std::numeric_limits<qint64>::max());
    QTest::newRow("smallest integer") << QByteArray("<integer>-9223372036854775808</integer>")
                                      << QVariant(std::numeric_limits<qint64>::min());
    QTest::newRow("integer 2^63") << QByteArray("<integer>9223372036854775808</integer>")
                                  << QVariant();
    QTest::newRow("integer 2^64 - 1")
        << QByteArray("<integer>18446744073709551615</integer>") << QVariant();
    QTest::newRow("integer with junk") << QByteArray("<integer>12abc</integer>") << QVariant();
    QTest::newRow("hex integer") << QByteArray("<integer>0x1F</integer>") << QVariant(qint64(31));
    QTest::newRow("real") << QByteArray("<real>-2.5e3</real>") << QVariant(-2500.0);
    QTest::newRow("nan") << QByteArray("<real>nan</real>") << QVariant();
    QTest::newRow("infinity") << QByteArray("<real>inf</real>") << QVariant();
    QTest::newRow("real overflowing") << QByteArray("<real>1e999</real>") << QVariant();
    QTest::newRow("data with line breaks")
        << QByteArray("<data>aGVs\n\tbG8=</data>") << QVariant(QByteArray("hello"));
    QTest::newRow("invalid Base64") << QByteArray("<data>not*base64</data>") << QVariant();
    QTest::newRow("unknown element") << QByteArray("<set/>") << QVariant();
}

void tst_PropertyList::xmlValuesAreCheckedAtTheEdges()
{
    QFETCH(QByteArray, element);
    QFETCH(QVariant, expected);
    const QByteArray document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<plist version=\"1.0\">" +
                                element + "</plist>";
    QString error;
    const QVariant value = PropertyList::read(document, &error);
    if (!expected.isValid()) {
        QVERIFY2(!value.isValid(), qPrintable(value.toString()));
        QVERIFY(!error.isEmpty());
        return;
    }
    QVERIFY2(value.isValid(), qPrintable(error));
    QCOMPARE(value, expected);
}

void tst_PropertyList::binaryObjectCountIsBoundByTheFile()
{
    // A trailer claiming two million objects over a table of two million offsets, all
    // pointing at one byte: every object of a property list takes a byte of its own, so
    // the count is refused before any table is sized by it.
    constexpr quint64 claimed = 2'000'000;
    QByteArray bytes("bplist00\x09", 9);
    const quint64 tableOffset = quint64(bytes.size());
    bytes.append(QByteArray(qsizetype(claimed), char(8)));
    QByteArray trailer(6, '\0');
    trailer.append(char(1)); // offset size
    trailer.append(char(4)); // reference size
    trailer += bigEndian64(claimed) + bigEndian64(0) + bigEndian64(tableOffset);
    QString error;
    QVERIFY(!PropertyList::read(bytes + trailer, &error).isValid());
    QVERIFY2(error.contains(QLatin1String("object count")), qPrintable(error));
}

void tst_PropertyList::plistutilReadsOurBinaryOutput()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    if (tool.isEmpty())
        QSKIP("plistutil (libplist-utils) is not installed");
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("ours.plist"));
    const QVariantMap value{
        {QStringLiteral("title"), QStringLiteral("Grüße")},
        {QStringLiteral("count"), qint64(-3)},
        {QStringLiteral("when"), utc(QStringLiteral("2020-02-02T02:02:02.000Z"))}};
    QVERIFY(PropertyList::writeFile(input, value, Format::Binary));
    QProcess process;
    process.start(tool, {QStringLiteral("-i"), input, QStringLiteral("-f"), QStringLiteral("xml")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray xml = process.readAllStandardOutput();
    QVERIFY(xml.contains("<string>Grüße</string>"));
    QVERIFY(xml.contains("<integer>-3</integer>"));
    QVERIFY(xml.contains("<date>2020-02-02T02:02:02Z</date>"));
    QCOMPARE(PropertyList::read(xml), QVariant(value));
}

void tst_PropertyList::writeFileKeepsOldFileOnFailure()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.plist"));
    QVERIFY(PropertyList::writeFile(path, QVariantList{1, 2}, Format::Binary));
    QString error;
    QVERIFY(!PropertyList::writeFile(path, QVariant(QPoint()), Format::Binary, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(PropertyList::readFile(path), QVariant(QVariantList{qint64(1), qint64(2)}));
}

QTEST_GUILESS_MAIN(tst_PropertyList)
#include "tst_propertylist.moc"
