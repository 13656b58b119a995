#include "PageDownload.h"
#include "TestHttpServer.h"

#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
Q_DECLARE_METATYPE(TestHttpServer::Response)

// The wizard's page fetch: the page's text and where it finally came from, or the
// cause of the failure. A page is read within the limits of a page fetch, not
// those of a blog's server answers.
class tst_PageDownload : public QObject {
    Q_OBJECT
private slots:
    void answersTheTextOrTheCause_data();
    void answersTheTextOrTheCause();
};

void tst_PageDownload::answersTheTextOrTheCause_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error"); // "ADDRESS" is the server's
    QTest::newRow("a page") << Response::ok("<html><head><title>Blog</title></head></html>",
                                            "text/html")
                            << "<html><head><title>Blog</title></head></html>" << QString();
    QTest::newRow("no data") << Response::empty() << QString()
                             << "The provided url [ADDRESS] did not contain data.";
    QTest::newRow("endless answer")
        << Response::endlessChunked() << QString()
        << "The answer from \"ADDRESS\" is larger than 8 MB, the most plumet accepts for this "
           "request, so it was not read [-1103].";
    QTest::newRow("100 MB announced")
        << Response::junk(100 * 1024 * 1024) << QString()
        << "The answer from \"ADDRESS\" is larger than 8 MB, the most plumet accepts for this "
           "request, so it was not read [-1103].";
}

void tst_PageDownload::answersTheTextOrTheCause()
{
    QFETCH(Response, response);
    QFETCH(QString, text);
    QFETCH(QString, error);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler([response](const auto&) { return response; });
    const QString address = server.url(QStringLiteral("/")).toString();

    int answers = 0;
    QString gotText, gotError;
    PageDownload download(address, [&](const QString& page, const QUrl&, const QString& why) {
        ++answers;
        gotText = page;
        gotError = why;
    });
    QTRY_COMPARE_WITH_TIMEOUT(answers, 1, 20000);
    QCOMPARE(gotText, text);
    QCOMPARE(gotError, QString(error).replace(QStringLiteral("ADDRESS"), address));
}

QTEST_GUILESS_MAIN(tst_PageDownload)
#include "tst_pagedownload.moc"
