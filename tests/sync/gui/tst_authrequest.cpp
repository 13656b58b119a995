#include "AuthRequest.h"
#include "AuthRequestPrompter.h"
#include "RESTCall.h"
#include "RecordingDelegate.h"
#include "TestHttpServer.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;

class tst_AuthRequest : public QObject {
    Q_OBJECT
private slots:
    void sheetAnswersTheChallenge();
    void sheetNeverShowsAnEarlierPassword();
    void cancelEndsTheCallAsARejectedLogin();
};

namespace {

TestHttpServer::Handler basicLogin()
{
    return [](const TestHttpServer::Request& request) {
        if (request.header("Authorization") == "Basic " + QByteArray("ed:pw").toBase64())
            return Response::ok("in");
        Response challenge = Response::withStatus(401);
        challenge.headers.append(
            {QByteArray("WWW-Authenticate"), QByteArray("Basic realm=\"blog\"")});
        return challenge;
    };
}

AuthRequest* waitForSheet(AuthRequestPrompter& prompter)
{
    const bool shown = QTest::qWaitFor(
        [&] { return prompter.currentSheet() && prompter.currentSheet()->isVisible(); }, 15000);
    return shown ? prompter.currentSheet() : nullptr;
}

} // namespace

void tst_AuthRequest::sheetAnswersTheChallenge()
{
    QMainWindow window;
    window.show();
    AuthRequestPrompter prompter(&window);
    AuthPrompter::setSharedInstance(&prompter);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler(basicLogin());

    RecordingDelegate delegate;
    delegate.address = server.url(QStringLiteral("/xmlrpc.php")).toString();
    delegate.username = QStringLiteral("ed");
    RESTCall call(server.url(QStringLiteral("/xmlrpc.php")), &delegate);
    QVERIFY(call.startCall());
    AuthRequest* sheet = waitForSheet(prompter);
    QVERIFY(sheet);
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QCOMPARE(sheet->parentWidget(), &window);
    QCOMPARE(sheet->caption(), QStringLiteral("You need authentication to access the address "
                                              "\"%1\". The server names the protected area "
                                              "\"blog\".")
                                   .arg(delegate.address));
    QCOMPARE(sheet->username(), QStringLiteral("ed"));
    QTest::keyClicks(sheet->findChild<QLineEdit*>(QStringLiteral("password")),
                     QStringLiteral("pw"));
    sheet->accept();
    QVERIFY(QTest::qWaitFor([&] { return delegate.done(); }, 15000));
    QCOMPARE(delegate.finishes, 1);
    QCOMPARE(delegate.password, QStringLiteral("pw"));
    AuthPrompter::setSharedInstance(nullptr);
}

void tst_AuthRequest::sheetNeverShowsAnEarlierPassword()
{
    AuthRequestPrompter prompter;
    AuthPrompter::setSharedInstance(&prompter);
    QString firstPassword;
    prompter.ask(QStringLiteral("first"), QStringLiteral("ed"),
                 [&](const AuthPrompter::Answer& a) { firstPassword = a.password; });
    AuthRequest* sheet = waitForSheet(prompter);
    QVERIFY(sheet);
    QTest::keyClicks(sheet->findChild<QLineEdit*>(QStringLiteral("password")),
                     QStringLiteral("one"));
    sheet->accept();
    QVERIFY(QTest::qWaitFor([&] { return !firstPassword.isEmpty(); }, 5000));
    QCOMPARE(firstPassword, QStringLiteral("one"));

    prompter.ask(QStringLiteral("second server"), QStringLiteral("other"), [](const auto&) {});
    sheet = waitForSheet(prompter);
    QVERIFY(sheet);
    QCOMPARE(sheet->username(), QStringLiteral("other"));
    QVERIFY(sheet->password().isEmpty());
    sheet->reject();
    AuthPrompter::setSharedInstance(nullptr);
}

void tst_AuthRequest::cancelEndsTheCallAsARejectedLogin()
{
    AuthRequestPrompter prompter;
    AuthPrompter::setSharedInstance(&prompter);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler(basicLogin());
    RecordingDelegate delegate;
    delegate.username = QStringLiteral("ed");
    delegate.password = QStringLiteral("wrong");
    RESTCall call(server.url(), &delegate);
    QVERIFY(call.startCall());
    AuthRequest* sheet = waitForSheet(prompter);
    QVERIFY(sheet);
    QVERIFY(sheet->password().isEmpty());
    sheet->reject();
    QVERIFY(QTest::qWaitFor([&] { return delegate.done(); }, 15000));
    QCOMPARE(delegate.failures, 1);
    QCOMPARE(delegate.error->code, -1012);
    QVERIFY(delegate.password.isEmpty());
    AuthPrompter::setSharedInstance(nullptr);
}

QTEST_MAIN(tst_AuthRequest)
#include "tst_authrequest.moc"
