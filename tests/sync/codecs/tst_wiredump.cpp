#include "TestSupport.h"
#include "WireDump.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using plumet::test::readTestData;

class tst_WireDump : public QObject {
    Q_OBJECT
private slots:
    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected"); // a JSON fragment, or the error text
        QTest::newRow("xmlrpc value")
            << QByteArray("xmlrpc") << "wordpress-6.1/newPost.response.xml" << 0
            << "\"value\": \"21\"";
        QTest::newRow("xmlrpc fault")
            << QByteArray("xmlrpc") << "wordpress-6.1/fault.bad-login.response.xml" << 0
            << "\"faultString\": \"Incorrect username or password.\"";
        QTest::newRow("xmlrpc refused") << QByteArray("xmlrpc") << "wordpress-6.1/home.html" << 1
                                        << "Received HTML from server instead of XML.";
        QTest::newRow("atom") << QByteArray("atom") << "atom/entry.xml" << 0
                              << "\"datecreated\": \"2026-07-01T10:00:00";
        QTest::newRow("atom refused")
            << QByteArray("atom") << "wordpress-6.1/rsd.xml" << 1 << "did not contain valid data";
        QTest::newRow("rsd") << QByteArray("rsd") << "wordpress-6.1/rsd.xml" << 0
                             << "\"apilink\": \"http://127.0.0.1:8089/xmlrpc.php\"";
        QTest::newRow("rsd refused")
            << QByteArray("rsd") << "wordpress-6.1/home.html" << 1 << "This is not an RSD file.";
        QTest::newRow("head") << QByteArray("head") << "wordpress-6.1/home.html" << 0
                              << "\"rel\": \"EditURI\"";
        QTest::newRow("unknown kind")
            << QByteArray("yaml") << "wordpress-6.1/rsd.xml" << 2 << "usage:";
    }
    void outcomes()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QString, file);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        const WireDump::Output output = WireDump::run(kind, readTestData(file));
        QCOMPARE(output.exitCode, exitCode);
        QVERIFY2(QString::fromUtf8(output.text).contains(expected), output.text.constData());
        if (exitCode == 0)
            QVERIFY(!QJsonDocument::fromJson(output.text).isNull());
    }

    void dataAndNumbersInJson()
    {
        const QJsonObject object =
            WireDump::toJson(QVariantMap{{"bits", QByteArray("hi")}, {"big", qint64(1) << 53}})
                .toObject();
        QCOMPARE(object.value("bits").toObject().value("base64").toString(),
                 QStringLiteral("aGk="));
        QCOMPARE(object.value("big").toInteger(), qint64(1) << 53);
    }
};

QTEST_GUILESS_MAIN(tst_WireDump)
#include "tst_wiredump.moc"
