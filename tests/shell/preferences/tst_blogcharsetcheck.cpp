#include "Blog.h"
#include "BlogCharsetCheck.h"
#include "TestHttpServer.h"

#include <QSignalSpy>
#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
Q_DECLARE_METATYPE(plumet::test::TestHttpServer::Response)

// The charset check of a blog's page, against a real HTTP server on loopback.
class tst_BlogCharsetCheck : public QObject {
    Q_OBJECT
private slots:
    void checksThePage_data();
    void checksThePage();
    void aBlogWithoutAddressIsNotChecked();
    void aCancelledCheckReportsNothing();
};

void tst_BlogCharsetCheck::checksThePage_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<bool>("entities"); // convertEntities afterwards
    QTest::addColumn<QString>("message");

    QTest::newRow("content attribute UTF-8")
        << Response::ok(R"(<html><head><meta http-equiv="Content-Type" )"
                        R"(content="text/html; charset=UTF-8" /></head></html>)",
                        "text/html")
        << false << "Your blog is encoded with UTF-8.";
    QTest::newRow("quote after the equals sign")
        << Response::ok(R"(<meta http-equiv="Content-Type" content="text/html; charset=" />)",
                        "text/html")
        << true << "The encoding of your blog could not be determined.";
    QTest::newRow("HTML5 meta charset")
        << Response::ok("<!DOCTYPE html><html><head><meta charset=\"UTF-8\"></head></html>",
                        "text/html")
        << false << "Your blog is encoded with UTF-8.";
    QTest::newRow("header names it, page does not")
        << Response::ok("<html><head><title>Blog</title></head></html>", "text/html; charset=utf-8")
        << false << "Your blog is encoded with utf-8.";
    QTest::newRow("Latin-1 page") << Response::ok(
                                         "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                         "charset=iso-8859-1\">caf\xe9",
                                         "text/html")
                                  << true << "Your blog is encoded with iso-8859-1.";
    QTest::newRow("empty page") << Response::ok("", "text/html") << false
                                << "Your blog could not be accessed.";
    QTest::newRow("missing page") << Response::withStatus(404, "<html>Not here</html>") << false
                                  << "There was an error accessing your blog: \"%1\"";
    QTest::newRow("connection dropped") << Response::withAction(Response::Action::Close) << false
                                        << "There was an error accessing your blog: \"%1\"";
}

void tst_BlogCharsetCheck::checksThePage()
{
    QFETCH(Response, response);
    QFETCH(bool, entities);
    QFETCH(QString, message);

    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(response);
    Blog blog;
    blog.setUrl(server.url(QStringLiteral("/blog/")).toString());
    // A value the check must replace, or keep when the page says nothing.
    blog.setOption(QStringLiteral("convertEntities"), false);

    BlogCharsetCheck check;
    QSignalSpy messages(&check, &BlogCharsetCheck::message);
    QSignalSpy finished(&check, &BlogCharsetCheck::finished);
    QVERIFY(check.start(&blog));
    QVERIFY(check.isRunning());
    QVERIFY(!check.start(&blog)); // one at a time
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.size(), 1);
    QVERIFY(!check.isRunning());
    // A dropped connection may be tried once more by the network layer.
    QVERIFY(!server.requests().isEmpty());
    QCOMPARE(server.requests().first().method, QByteArray("GET"));
    QCOMPARE(server.requests().first().target, QByteArray("/blog/"));

    QCOMPARE(blog.convertEntities(), entities);
    const QString last = messages.last().first().toString();
    if (message.contains(QLatin1String("%1"))) {
        // The server's failure, in the words the HTTP call chose.
        QVERIFY2(last.startsWith(message.section(QLatin1String("%1"), 0, 0)), qPrintable(last));
        QVERIFY(last.size() > message.size());
    } else {
        QCOMPARE(last, message);
    }
}

void tst_BlogCharsetCheck::aBlogWithoutAddressIsNotChecked()
{
    Blog blog;
    BlogCharsetCheck check;
    QVERIFY(!check.start(&blog));
    QVERIFY(!check.start(nullptr));
    QVERIFY(!check.isRunning());
}

void tst_BlogCharsetCheck::aCancelledCheckReportsNothing()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::withAction(Response::Action::NeverAnswer));
    Blog blog;
    blog.setUrl(server.url().toString());
    blog.setOption(QStringLiteral("convertEntities"), true);

    BlogCharsetCheck check;
    QSignalSpy finished(&check, &BlogCharsetCheck::finished);
    QVERIFY(check.start(&blog));
    QTRY_COMPARE(server.requests().size(), 1);
    check.cancel();
    QVERIFY(!check.isRunning());
    QTest::qWait(200);
    QCOMPARE(finished.size(), 0);
    QVERIFY(blog.convertEntities());
    // A new check may start at once.
    server.enqueue(Response::ok("<meta charset=\"utf-8\">", "text/html"));
    QVERIFY(check.start(&blog));
    QVERIFY(finished.wait(10000));
    QVERIFY(!blog.convertEntities());
}

QTEST_GUILESS_MAIN(tst_BlogCharsetCheck)
#include "tst_blogcharsetcheck.moc"
