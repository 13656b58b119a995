#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Entry.h"
#include "EntryFile.h"
#include "TestHttpServer.h"
#include "TestSecretService.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;

// A publish killed part way (a child process that loads the support folder
// and publishes, killed by the test when the server has a request), then the
// same program started again: a post the server made is edited, never posted
// a second time.
namespace {

const QString accountID = QStringLiteral("a1b2c3d4e5f60718293a4b5c6d7e8f90");

QByteArray answer(const QByteArray& value)
{
    return "<?xml version=\"1.0\"?>\n<methodResponse><params><param><value>" + value +
           "</value></param></params></methodResponse>";
}

QByteArray storedPost(const QByteArray& id)
{
    return answer("<struct><member><name>postid</name><value><string>" + id +
                  "</string></value></member><member><name>title</name><value><string>Title"
                  "</string></value></member><member><name>description</name><value><string>"
                  "&lt;p&gt;Body&lt;/p&gt;</string></value></member><member><name>dateCreated"
                  "</name><value><dateTime.iso8601>20240701T12:00:00Z</dateTime.iso8601>"
                  "</value></member></struct>");
}

QString methodOf(const QByteArray& body)
{
    static const QRegularExpression name(QStringLiteral("<methodName>([^<]*)</methodName>"));
    return name.match(QString::fromUtf8(body)).captured(1);
}

} // namespace

class tst_PublishKill : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void killedBeforeTheReadBackEditsTheSamePost();
    void killedBeforeTheNewPostAnswerAsksFirst();

private:
    // A local post in the support folder, as the child finds it.
    void storeLocalPost();
    void startChild(bool busyDisk = false);
    // Kills the child once the server has a request of that method, which is
    // never answered.
    void killAt(const QString& method, bool busyDisk);

    // The child keeps the account's password in the keychain: the bus it
    // inherits from the test holds a keyring of the test's own.
    plumet::test::TestKeyring m_keyring;
    TestHttpServer* m_server = nullptr;
    QProcess* m_child = nullptr;
    QString m_killAt;
    QStringList m_methods;
    QList<QByteArray> m_bodies;
};

void tst_PublishKill::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
}

void tst_PublishKill::init()
{
    m_server = new TestHttpServer(this);
    QVERIFY(m_server->listen());
    m_methods.clear();
    m_bodies.clear();
    m_killAt.clear();
    m_server->setHandler([this](const TestHttpServer::Request& request) {
        const QString method = methodOf(request.body);
        m_methods << method;
        m_bodies << request.body;
        if (method == m_killAt) {
            m_child->kill(); // at once, from the server's own answer
            return Response::timeOut();
        }
        if (method == QLatin1String("metaWeblog.newPost"))
            return Response::ok(answer("<string>77</string>"), "text/xml");
        if (method == QLatin1String("metaWeblog.getPost"))
            return Response::ok(storedPost("77"), "text/xml");
        if (method == QLatin1String("metaWeblog.editPost"))
            return Response::ok(answer("<boolean>1</boolean>"), "text/xml");
        return Response::xmlrpcFault(-32601, QStringLiteral("no such method"));
    });
    m_child = new QProcess(this);
    m_child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    storeLocalPost();
}

void tst_PublishKill::cleanup()
{
    if (m_child->state() != QProcess::NotRunning) {
        m_child->kill();
        m_child->waitForFinished();
    }
    delete m_child;
    delete m_server;
    Account account;
    account.setAccountID(accountID);
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    account.addBlog(blog);
    QDir(blog->store().folder()).removeRecursively();
    QDir(QDir::homePath() + QStringLiteral("/ballast")).removeRecursively();
}

void tst_PublishKill::storeLocalPost()
{
    auto account = Account::create();
    account->setAccountID(accountID);
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    account->addBlog(blog);
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("Title"));
    entry->setBody(QStringLiteral("<p>Body</p>"));
    blog->addEntry(entry);
    QString error;
    QVERIFY2(blog->store().save(*entry, &error), qPrintable(error));
}

void tst_PublishKill::startChild(bool busyDisk)
{
    QStringList arguments{accountID, m_server->url(QStringLiteral("/xmlrpc.php")).toString()};
    if (busyDisk)
        arguments << QStringLiteral("busy");
    m_child->start(QStringLiteral(PLUMET_PUBLISH_CHILD), arguments);
    QVERIFY2(m_child->waitForStarted(), qPrintable(m_child->errorString()));
}

void tst_PublishKill::killAt(const QString& method, bool busyDisk)
{
    m_killAt = method;
    startChild(busyDisk);
    QTRY_VERIFY_WITH_TIMEOUT(m_child->state() == QProcess::NotRunning, 60000);
    QCOMPARE(m_child->exitStatus(), QProcess::CrashExit);
    QCOMPARE(m_methods.last(), method);
    m_killAt.clear();
}

void tst_PublishKill::killedBeforeTheReadBackEditsTheSamePost()
{
    // On a busy disk, where an id handed to the writer is not yet written.
    killAt(QStringLiteral("metaWeblog.getPost"), true);
    QCOMPARE(m_methods, QStringList({"metaWeblog.newPost", "metaWeblog.getPost"}));

    startChild();
    QTRY_VERIFY_WITH_TIMEOUT(m_child->state() == QProcess::NotRunning, 60000);
    QCOMPARE(m_child->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_child->exitCode(), 0);
    QCOMPARE(m_methods, QStringList({"metaWeblog.newPost", "metaWeblog.getPost",
                                     "metaWeblog.editPost", "metaWeblog.getPost"}));
    QVERIFY(m_bodies[2].contains("<string>77</string>"));
}

void tst_PublishKill::killedBeforeTheNewPostAnswerAsksFirst()
{
    killAt(QStringLiteral("metaWeblog.newPost"), false);

    // Nobody is there to answer the question: nothing is sent, and the child says why.
    startChild();
    QTRY_VERIFY_WITH_TIMEOUT(m_child->state() == QProcess::NotRunning, 60000);
    QCOMPARE(m_child->exitCode(), 3);
    QVERIFY(QString::fromUtf8(m_child->readAllStandardOutput())
                .contains(QLatin1String("This post may already be on the server.")));
    QCOMPARE(m_methods, QStringList{"metaWeblog.newPost"});
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_PublishKill)
#include "tst_publishkill.moc"
