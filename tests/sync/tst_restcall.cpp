#include "AuthPrompter.h"
#include "CertificateTrustStore.h"
#include "HttpErrors.h"
#include "RESTCall.h"
#include "RecordingDelegate.h"
#include "SecurityPrompter.h"
#include "TestHttpServer.h"

#include <QCryptographicHash>
#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
using namespace std::chrono_literals;

namespace {

// Answers login questions from a script and records the captions.
class ScriptedPrompter : public AuthPrompter {
public:
    ScriptedPrompter() { AuthPrompter::setShared(this); }
    ~ScriptedPrompter() override { AuthPrompter::setShared(nullptr); }
    void ask(const QString& caption, const QString& username, Completion done) override
    {
        captions << caption;
        prefilledUsernames << username;
        const Answer answer = answers.isEmpty() ? Answer{} : answers.takeFirst();
        QMetaObject::invokeMethod(
            &context, [done, answer] { done(answer); }, Qt::QueuedConnection);
    }
    QList<Answer> answers;
    QStringList captions;
    QStringList prefilledUsernames;
    QObject context;
};

// Answers the security questions from a script and records what was asked.
class ScriptedSecurityPrompter : public SecurityPrompter {
public:
    explicit ScriptedSecurityPrompter(bool accept) : answer(accept)
    {
        SecurityPrompter::setShared(this);
    }
    ~ScriptedSecurityPrompter() override { SecurityPrompter::setShared(nullptr); }
    void askToTrustCertificate(const CertificateProblem& problem, Completion done) override
    {
        certificateQuestions << problem;
        reply(std::move(done));
    }
    void askToFollowInsecureRedirect(const QUrl& from, const QUrl& to, Completion done) override
    {
        redirectQuestions << qMakePair(from, to);
        reply(std::move(done));
    }
    bool answer;
    QList<CertificateProblem> certificateQuestions;
    QList<QPair<QUrl, QUrl>> redirectQuestions;
    QObject context;

private:
    void reply(Completion done)
    {
        QMetaObject::invokeMethod(
            &context, [done, yes = answer] { done(yes); }, Qt::QueuedConnection);
    }
};

QByteArray md5Hex(const QByteArray& text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

QMap<QByteArray, QByteArray> digestFields(const QByteArray& header)
{
    QMap<QByteArray, QByteArray> fields;
    QByteArray rest = header.mid(header.indexOf(' ') + 1);
    for (const QByteArray& part : rest.split(',')) {
        const qsizetype eq = part.indexOf('=');
        if (eq < 0)
            continue;
        QByteArray value = part.mid(eq + 1).trimmed();
        if (value.startsWith('"'))
            value = value.mid(1, value.size() - 2);
        fields.insert(part.left(eq).trimmed(), value);
    }
    return fields;
}

// A server that wants user "writer" with password "pässword" by Basic or Digest.
TestHttpServer::Handler loginHandler(const QByteArray& scheme)
{
    return [scheme](const TestHttpServer::Request& request) {
        const QByteArray given = request.header("Authorization");
        const QByteArray user = "writer";
        const QByteArray password = QStringLiteral("pässword").toUtf8();
        bool accepted = false;
        if (scheme == "Basic") {
            accepted = given == "Basic " + (user + ':' + password).toBase64();
        } else if (given.startsWith("Digest ")) {
            const auto f = digestFields(given);
            const QByteArray ha1 = md5Hex(user + ":blog:" + password);
            const QByteArray ha2 = md5Hex(request.method + ':' + f.value("uri"));
            const QByteArray expected =
                md5Hex(ha1 + ':' + f.value("nonce") + ':' + f.value("nc") + ':' +
                       f.value("cnonce") + ':' + f.value("qop") + ':' + ha2);
            accepted = f.value("username") == user && f.value("response") == expected;
        }
        if (accepted)
            return Response::ok("welcome");
        Response challenge = Response::withStatus(401, "who are you?");
        challenge.headers.append(
            {"WWW-Authenticate", scheme == "Basic"
                                     ? QByteArray("Basic realm=\"blog\"")
                                     : QByteArray("Digest realm=\"blog\", qop=\"auth\", "
                                                  "nonce=\"abc123\", algorithm=MD5")});
        return challenge;
    };
}

bool waitDone(const RecordingDelegate& delegate, int ms = 15000)
{
    return QTest::qWaitFor([&] { return delegate.done(); }, ms);
}

} // namespace

class TestRestCall : public QObject {
    Q_OBJECT
private slots:
    void sendsStandardHeadersAndDeliversBody();
    void statusesEndOrDeliver_data();
    void statusesEndOrDeliver();
    void reportsProgressInKilobytes_data();
    void reportsProgressInKilobytes();
    void login_data();
    void login();
    void rejectedLoginClearsStoredPassword();
    void redirects_data();
    void redirects();
    void redirectAcrossOriginsDropsCredentials();
    void silentServerTimesOut();
    void transferLimitReadsAsTimeOut();
    void slowUploadIsNotMistakenForSilence();
    void transportFailures_data();
    void transportFailures();
    void selfSignedCertificateNeedsExplicitTrust();
    void userDecidesAboutAnUntrustedCertificate_data();
    void userDecidesAboutAnUntrustedCertificate();
    void secureRequestGoesToPlainHttpOnlyWhenAllowed_data();
    void secureRequestGoesToPlainHttpOnlyWhenAllowed();
    void cancelReportsNoErrorOnce();
    void connectConsumesTheRequest();
};

void TestRestCall::sendsStandardHeadersAndDeliversBody()
{
    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::ok("<?xml version=\"1.0\"?><ok/>", "text/xml"));

    RecordingDelegate delegate;
    delegate.deleteCallWhenDone = true; // the usual owner releases the call in its callback
    auto* call = new RESTCall(server.url(QStringLiteral("/xmlrpc.php")), &delegate);
    call->setMethod("POST");
    call->setData("<methodCall/>", "text/xml");
    call->addHeaders({{"Host", "wrong.example"}, {"X-Extra", "1"}});
    QVERIFY(call->connect());
    QVERIFY(waitDone(delegate));

    QCOMPARE(delegate.finishes, 1);
    QCOMPARE(delegate.body, QByteArray("<?xml version=\"1.0\"?><ok/>"));
    const auto& request = server.requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.body, QByteArray("<methodCall/>"));
    QCOMPARE(request.header("Content-Type"), QByteArray("text/xml"));
    QCOMPARE(request.header("Accept"), QByteArray("*/*"));
    QCOMPARE(request.header("Host"), "127.0.0.1:" + QByteArray::number(server.port()));
    QVERIFY(request.header("User-Agent").startsWith("plumet/3.0 (Linux; "));
    QCOMPARE(delegate.subStatuses.first(), QStringLiteral("Initializing connection..."));
    QVERIFY(delegate.subStatuses.contains(QStringLiteral("Connected to server...")));
    QVERIFY(console.text.contains(QStringLiteral("Status            : 200\n")));
    QVERIFY(console.text.contains(QStringLiteral("Content-Type      : text/xml\n")));
    QVERIFY(console.text.endsWith(QStringLiteral("<ok/>\n\n")));
}

void TestRestCall::statusesEndOrDeliver_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("messageStart");
    QTest::newRow("404") << 404 << true << -1000 << "The provided web address does not exist.";
    QTest::newRow("403") << 403 << true << -1102 << "The server does not allow access";
    QTest::newRow("500") << 500 << true << -1005 << "The server could not complete the request.";
    QTest::newRow("410 body delivered") << 410 << false << 0 << QString();
    QTest::newRow("503 body delivered") << 503 << false << 0 << QString();
    QTest::newRow("302 without Location delivered") << 302 << false << 0 << QString();
}

void TestRestCall::statusesEndOrDeliver()
{
    QFETCH(int, status);
    QFETCH(bool, fails);
    QFETCH(int, code);
    QFETCH(QString, messageStart);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::withStatus(status, "page body"));
    RecordingDelegate delegate;
    delegate.deleteCallWhenDone = true;
    auto* call = new RESTCall(server.url(), &delegate);
    QVERIFY(call->connect());
    QVERIFY(waitDone(delegate));
    QTest::qWait(50); // nothing may touch the released call
    if (fails) {
        QCOMPARE(delegate.failures, 1);
        QVERIFY(delegate.error);
        QCOMPARE(delegate.error->code, code);
        QVERIFY2(delegate.error->message.startsWith(messageStart),
                 qPrintable(delegate.error->message));
    } else {
        QCOMPARE(delegate.finishes, 1);
        QCOMPARE(delegate.body, QByteArray("page body"));
        QCOMPARE(delegate.status, status);
    }
}

void TestRestCall::reportsProgressInKilobytes_data()
{
    QTest::addColumn<bool>("announced");
    QTest::addColumn<double>("duration");
    QTest::addColumn<QString>("lastStatus");
    QTest::newRow("length announced") << true << 4.0 << "Receiving 4.0 of 4.0Kb";
    QTest::newRow("no length") << false << 0.0 << "Receiving 4.0Kb";
}

void TestRestCall::reportsProgressInKilobytes()
{
    QFETCH(bool, announced);
    QFETCH(double, duration);
    QFETCH(QString, lastStatus);
    TestHttpServer server;
    QVERIFY(server.listen());
    Response response = Response::ok(QByteArray(4096, 'x'));
    response.announceLength = announced;
    server.enqueue(response);
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));
    QCOMPARE(delegate.finishes, 1);
    QCOMPARE(delegate.body.size(), 4096);
    QCOMPARE(delegate.durations, QList<double>{duration});
    QCOMPARE(delegate.progress.last(), 4.0);
    QCOMPARE(delegate.subStatuses.last(), lastStatus);
}

void TestRestCall::login_data()
{
    QTest::addColumn<QByteArray>("scheme");
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<int>("sheetsExpected");
    // A stored credential that works answers silently; a missing or wrong one
    // brings the sheet, whose answer is kept for the next time.
    for (const char* scheme : {"Basic", "Digest"}) {
        QTest::addRow("%s stored", scheme) << QByteArray(scheme) << QStringLiteral("pässword") << 0;
        QTest::addRow("%s none stored", scheme) << QByteArray(scheme) << QString() << 1;
        QTest::addRow("%s wrong stored", scheme)
            << QByteArray(scheme) << QStringLiteral("old") << 1;
    }
}

void TestRestCall::login()
{
    QFETCH(QByteArray, scheme);
    QFETCH(QString, storedPassword);
    QFETCH(int, sheetsExpected);
    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler(loginHandler(scheme));
    ScriptedPrompter prompter;
    prompter.answers = {{true, QStringLiteral("writer"), QStringLiteral("pässword")}};

    RecordingDelegate delegate;
    delegate.username = QStringLiteral("writer");
    delegate.password = storedPassword;
    RESTCall call(server.url(), &delegate);
    call.setMethod("POST");
    call.setData("<methodCall/>", "text/xml");
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));

    QVERIFY2(delegate.finishes == 1, delegate.error ? qPrintable(delegate.error->message) : "");
    QCOMPARE(delegate.body, QByteArray("welcome"));
    QCOMPARE(prompter.captions.size(), sheetsExpected);
    if (sheetsExpected) {
        QCOMPARE(
            prompter.captions.first(),
            QStringLiteral("You need authentication to access the address \"http://blog.test/\"."));
        QCOMPARE(prompter.prefilledUsernames.first(), QStringLiteral("writer"));
        QCOMPARE(delegate.password, QStringLiteral("pässword"));
        QCOMPARE(server.requests().last().body, QByteArray("<methodCall/>"));
    }
    QVERIFY(console.text.contains(QStringLiteral("Received authorization request:\n")));
    QVERIFY(console.text.contains(QStringLiteral("Realm                 : blog\n")));
    QVERIFY(!console.text.contains(QStringLiteral("pässword")));
}

void TestRestCall::rejectedLoginClearsStoredPassword()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler(loginHandler("Basic"));
    ScriptedPrompter prompter;
    // A wrong answer brings the sheet back; Cancel there ends the call.
    prompter.answers = {{true, QStringLiteral("writer"), QStringLiteral("guess")}, {}};
    RecordingDelegate delegate;
    delegate.username = QStringLiteral("writer");
    delegate.password = QStringLiteral("stale");
    RESTCall call(server.url(), &delegate);
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));
    QCOMPARE(delegate.failures, 1);
    QVERIFY(delegate.error);
    QCOMPARE(delegate.error->code, -1012);
    QVERIFY(
        delegate.error->message.startsWith(QStringLiteral("Incorrect username or password for")));
    QVERIFY(delegate.password.isEmpty());
    QCOMPARE(prompter.captions.size(), 2);
}

void TestRestCall::redirects_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("methodAfter");
    QTest::addColumn<bool>("bodyKept");
    QTest::newRow("301 POST") << 301 << QByteArray("POST") << QByteArray("GET") << false;
    QTest::newRow("302 POST") << 302 << QByteArray("POST") << QByteArray("GET") << false;
    QTest::newRow("303 PUT") << 303 << QByteArray("PUT") << QByteArray("GET") << false;
    QTest::newRow("307 POST") << 307 << QByteArray("POST") << QByteArray("POST") << true;
    QTest::newRow("308 PUT") << 308 << QByteArray("PUT") << QByteArray("PUT") << true;
}

void TestRestCall::redirects()
{
    QFETCH(int, status);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, methodAfter);
    QFETCH(bool, bodyKept);
    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::redirect(status, "/moved"));
    server.enqueue(Response::ok("arrived"));
    RecordingDelegate delegate;
    RESTCall call(server.url(QStringLiteral("/old")), &delegate);
    call.setMethod(method);
    call.setData("payload", "text/xml");
    call.addHeaders({{"X-WSSE", "UsernameToken secret"}});
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));
    QCOMPARE(delegate.finishes, 1);
    QCOMPARE(delegate.body, QByteArray("arrived"));
    QCOMPARE(server.requests().size(), 2);
    const auto& second = server.requests().at(1);
    QCOMPARE(second.target, QByteArray("/moved"));
    QCOMPARE(second.method, methodAfter);
    QCOMPARE(second.body, bodyKept ? QByteArray("payload") : QByteArray());
    QCOMPARE(second.header("X-WSSE"), QByteArray("UsernameToken secret")); // same origin
    QVERIFY(!second.header("User-Agent").isEmpty());
    QCOMPARE(call.url(), server.url(QStringLiteral("/moved")));
    QVERIFY(console.text.contains(QStringLiteral("Redirected (%1):").arg(status)));
}

void TestRestCall::redirectAcrossOriginsDropsCredentials()
{
    TestHttpServer first;
    TestHttpServer second;
    QVERIFY(first.listen());
    QVERIFY(second.listen());
    first.setHandler(loginHandler("Basic"));
    second.setHandler(loginHandler("Basic"));
    // The first server accepts the stored login, then sends the client elsewhere.
    first.setHandler([&](const TestHttpServer::Request& request) {
        if (request.header("Authorization").isEmpty())
            return loginHandler("Basic")(request);
        return Response::redirect(307, second.url(QStringLiteral("/elsewhere")).toEncoded());
    });
    ScriptedPrompter prompter; // no answers: the sheet is cancelled
    RecordingDelegate delegate;
    delegate.username = QStringLiteral("writer");
    delegate.password = QStringLiteral("pässword");
    RESTCall call(first.url(), &delegate);
    call.addHeaders({{"X-WSSE", "token"}, {"Authorization", "Bearer abc"}});
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));
    QCOMPARE(second.requests().size(), 1);
    QVERIFY(second.requests().first().header("X-WSSE").isEmpty());
    QVERIFY(second.requests().first().header("Authorization").isEmpty());
    // The other origin's challenge was not answered with the stored password.
    QCOMPARE(prompter.captions.size(), 1);
    QCOMPARE(delegate.failures, 1);
}

void TestRestCall::silentServerTimesOut()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::withAction(Response::Action::NeverAnswer));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setResponseTimeout(300ms);
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));
    QVERIFY(delegate.error);
    QCOMPARE(delegate.error->code, -1005);
    QCOMPARE(delegate.error->message, QStringLiteral("The server has dropped the connection."));
}

void TestRestCall::transferLimitReadsAsTimeOut()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::withAction(Response::Action::NeverAnswer));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setTimeOut(0.3);
    call.setResponseTimeout(10s);
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));
    QVERIFY(delegate.error);
    // Qt ends the reply as cancelled; that must not read as the user's cancel.
    QCOMPARE(delegate.error->code, -1001);
    QVERIFY2(delegate.error->message.startsWith(
                 QStringLiteral("Could not connect to \"http://127.0.0.1:")),
             qPrintable(delegate.error->message));
}

void TestRestCall::slowUploadIsNotMistakenForSilence()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setReadPacing(64 * 1024, 20); // about 3 MB/s: a 6 MB body takes ~2 s
    server.enqueue(Response::ok("stored"));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setMethod("POST");
    call.setData(QByteArray(6 * 1024 * 1024, 'm'), "application/octet-stream");
    call.setResponseTimeout(700ms);
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate, 30000));
    QVERIFY2(delegate.finishes == 1,
             delegate.error ? qPrintable(delegate.error->message) : "no error");
    QCOMPARE(server.requests().first().body.size(), 6 * 1024 * 1024);
}

void TestRestCall::transportFailures_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("code");
    QTest::newRow("connection closed without answer") << int(Response::Action::Close) << -1005;
    QTest::newRow("truncated body") << int(Response::Action::Truncate) << -1005;
}

void TestRestCall::transportFailures()
{
    QFETCH(int, action);
    QFETCH(int, code);
    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(server.listen());
    Response response = Response::ok(QByteArray(20000, 'b'));
    response.action = static_cast<Response::Action>(action);
    server.setHandler([response](const auto&) { return response; }); // Qt retries once
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));
    QCOMPARE(delegate.failures, 1);
    QVERIFY(delegate.error);
    QCOMPARE(delegate.error->code, code);
    QVERIFY2(delegate.error->message.startsWith(
                 QStringLiteral("Could not connect to \"http://127.0.0.1:")),
             qPrintable(delegate.error->message));
    QVERIFY(
        console.text.contains(QStringLiteral("Connection failed:\nError code        : -1005\n")));
}

void TestRestCall::selfSignedCertificateNeedsExplicitTrust()
{
    TestHttpServer server;
    QVERIFY(server.listenTlsSelfSigned());
    server.setHandler([](const auto&) { return Response::ok("secret page"); });

    RecordingDelegate refused;
    RESTCall first(server.url(), &refused);
    QVERIFY(first.connect());
    QVERIFY(waitDone(refused));
    QCOMPARE(refused.failures, 1);
    QVERIFY(refused.error);
    QCOMPARE(refused.error->code, -1202);
    QVERIFY2(refused.error->message.contains(QStringLiteral("\"127.0.0.1\"")) &&
                 refused.error->message.contains(QStringLiteral("self"), Qt::CaseInsensitive),
             qPrintable(refused.error->message));
    QVERIFY(server.requests().isEmpty());
    const auto problem = first.certificateProblem();
    QVERIFY(problem);
    QCOMPARE(problem->fingerprint.size(), 64);

    // Trusting that certificate for another port does not open this one.
    QVERIFY(CertificateTrustStore::shared().trust(problem->host, problem->port + 1,
                                                  problem->fingerprint));
    RecordingDelegate stillRefused;
    RESTCall second(server.url(), &stillRefused);
    QVERIFY(second.connect());
    QVERIFY(waitDone(stillRefused));
    QCOMPARE(stillRefused.failures, 1);

    QVERIFY(
        CertificateTrustStore::shared().trust(problem->host, problem->port, problem->fingerprint));
    RecordingDelegate accepted;
    RESTCall third(server.url(), &accepted);
    QVERIFY(third.connect());
    QVERIFY(waitDone(accepted));
    QCOMPARE(accepted.finishes, 1);
    QCOMPARE(accepted.body, QByteArray("secret page"));
    // The choice survives a restart: a fresh store reads it from its file.
    CertificateTrustStore reread(CertificateTrustStore::shared().filePath());
    QVERIFY(reread.isTrusted(problem->host, problem->port, problem->fingerprint));
}

void TestRestCall::userDecidesAboutAnUntrustedCertificate_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::newRow("refused") << false;
    QTest::newRow("trusted") << true;
}

void TestRestCall::userDecidesAboutAnUntrustedCertificate()
{
    QFETCH(bool, trusted);
    TestHttpServer server;
    QVERIFY(server.listenTlsSelfSigned());
    server.setHandler([](const auto&) { return Response::ok("secret page"); });
    ScriptedSecurityPrompter prompter(trusted);

    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    QVERIFY(call.connect());
    QVERIFY(waitDone(delegate));
    QCOMPARE(prompter.certificateQuestions.size(), 1);
    const CertificateProblem asked = prompter.certificateQuestions.first();
    QCOMPARE(asked.host, QStringLiteral("127.0.0.1"));
    QCOMPARE(asked.port, int(server.port()));
    QVERIFY(!asked.reasons.isEmpty());
    QVERIFY(
        SecurityPrompter::trustQuestion(asked).contains(QString::fromLatin1(asked.fingerprint)));
    QCOMPARE(CertificateTrustStore::shared().isTrusted(asked.host, asked.port, asked.fingerprint),
             trusted);
    if (!trusted) {
        QCOMPARE(delegate.failures, 1);
        QCOMPARE(delegate.error->code, -1202);
        QVERIFY(server.requests().isEmpty());
        return;
    }
    QCOMPARE(delegate.finishes, 1);
    QCOMPARE(delegate.body, QByteArray("secret page"));

    // Once trusted, the same certificate is not asked about again.
    RecordingDelegate again;
    RESTCall second(server.url(), &again);
    QVERIFY(second.connect());
    QVERIFY(waitDone(again));
    QCOMPARE(again.finishes, 1);
    QCOMPARE(prompter.certificateQuestions.size(), 1);
}

void TestRestCall::secureRequestGoesToPlainHttpOnlyWhenAllowed_data()
{
    QTest::addColumn<int>("answer"); // -1: nobody to ask
    QTest::newRow("nobody to ask") << -1;
    QTest::newRow("user refuses") << 0;
    QTest::newRow("user allows") << 1;
}

void TestRestCall::secureRequestGoesToPlainHttpOnlyWhenAllowed()
{
    QFETCH(int, answer);
    TestHttpServer plain;
    QVERIFY(plain.listen());
    plain.setHandler([](const auto&) { return Response::ok("plain"); });
    TestHttpServer secure;
    QVERIFY(secure.listenTlsSelfSigned());
    secure.setHandler([&](const TestHttpServer::Request& request) {
        if (request.target == "/probe")
            return Response::ok("probed");
        return Response::redirect(302, plain.url(QStringLiteral("/x")).toEncoded());
    });
    {
        // Trust the test certificate the way a user would.
        ScriptedSecurityPrompter trusting(true);
        RecordingDelegate probe;
        RESTCall call(secure.url(QStringLiteral("/probe")), &probe);
        QVERIFY(call.connect());
        QVERIFY(waitDone(probe));
    }
    std::optional<ScriptedSecurityPrompter> prompter;
    if (answer >= 0)
        prompter.emplace(answer == 1);

    RecordingDelegate redirected;
    RESTCall call(secure.url(), &redirected);
    call.addHeaders({{"X-WSSE", "token"}});
    QVERIFY(call.connect());
    QVERIFY(waitDone(redirected));
    if (prompter) {
        QCOMPARE(prompter->redirectQuestions.size(), 1);
        QCOMPARE(prompter->redirectQuestions.first().second, plain.url(QStringLiteral("/x")));
    }
    if (answer != 1) {
        QCOMPARE(redirected.failures, 1);
        QCOMPARE(redirected.error->code, -1200);
        QVERIFY(redirected.error->message.contains(plain.url(QStringLiteral("/x")).toString()));
        QVERIFY(plain.requests().isEmpty());
        return;
    }
    QCOMPARE(redirected.finishes, 1);
    QCOMPARE(redirected.body, QByteArray("plain"));
    QCOMPARE(plain.requests().size(), 1);
    QVERIFY(plain.requests().first().header("X-WSSE").isEmpty()); // another origin
}

void TestRestCall::cancelReportsNoErrorOnce()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::withAction(Response::Action::NeverAnswer));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setResponseTimeout(200ms);
    QVERIFY(call.connect());
    QVERIFY(QTest::qWaitFor([&] { return !server.requests().isEmpty(); }, 5000));
    call.cancel();
    call.cancel();
    QTest::qWait(400); // past the response timer
    QCOMPARE(delegate.failures, 1);
    QCOMPARE(delegate.finishes, 0);
    QVERIFY(!delegate.error);
}

void TestRestCall::connectConsumesTheRequest()
{
    RecordingDelegate delegate;
    RESTCall noAddress(QString(), &delegate);
    QVERIFY(!noAddress.connect());

    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::ok("once"));
    RESTCall call(server.url(), &delegate);
    QVERIFY(call.connect());
    QVERIFY(!call.connect());
    QVERIFY(waitDone(delegate));
    QCOMPARE(server.requests().size(), 1);
}

QTEST_GUILESS_MAIN(TestRestCall)
#include "tst_restcall.moc"
