#include "ActivityList.h"
#include "Blog.h"
#include "ConsoleSink.h"
#include "Entry.h"
#include "Ping.h"
#include "RVPingTool.h"
#include "TestHttpServer.h"
#include "XMLRPCDecoder.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;

// The ping tool against a loopback ping and trackback server: what each
// request carries, their order, and the pause between them.
class tst_RVPingTool : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void updatePingsThenTrackbacksOneAtATime();
    void trackbackValuesCannotAddFields_data();
    void trackbackValuesCannotAddFields();
    void aBlogWithoutPingsLeavesTheQueue();
    void aQueuedItemIsQueuedOnce();
    void stoppingTheRowEmptiesTheQueue();
    void trackbacksThatFailStayInTheEntry();
    void endlessAnswersAreCutAtAPagesSize();

private:
    QVariant pingList(const QStringList& paths) const;

    TestHttpServer* m_server = nullptr;
    ActivityList* m_list = nullptr;
    RVPingTool* m_tool = nullptr;
    QElapsedTimer m_clock;
    QList<qint64> m_arrivals;
    static constexpr int pauseMs = 150;
};

void tst_RVPingTool::init()
{
    m_server = new TestHttpServer(this);
    QVERIFY(m_server->listen());
    m_clock.start();
    m_arrivals.clear();
    m_server->setHandler([this](const TestHttpServer::Request& request) {
        m_arrivals << m_clock.elapsed();
        if (request.target.startsWith("/trackback/refused"))
            return Response::ok("<?xml version=\"1.0\"?><response><error>1</error>"
                                "<message>Spam</message></response>",
                                "text/xml");
        if (request.target.startsWith("/trackback/broken"))
            return Response::htmlError(500);
        if (request.target.startsWith("/trackback"))
            return Response::ok("<?xml version=\"1.0\"?><response><error>0</error></response>",
                                "text/xml");
        if (request.target.startsWith("/slow"))
            return Response::timeOut();
        if (request.target.startsWith("/endless"))
            return Response::endlessChunked();
        return Response::ok("<?xml version=\"1.0\"?><methodResponse><params><param><value>"
                            "<struct><member><name>flerror</name><value><boolean>0</boolean>"
                            "</value></member></struct></value></param></params>"
                            "</methodResponse>",
                            "text/xml");
    });
    m_list = new ActivityList(this);
    m_tool = new RVPingTool(*m_list, this);
    m_tool->setPause(std::chrono::milliseconds(pauseMs));
}

void tst_RVPingTool::cleanup()
{
    delete m_tool;
    delete m_list;
    delete m_server;
}

QVariant tst_RVPingTool::pingList(const QStringList& paths) const
{
    QVariantList list;
    for (const QString& path : paths)
        list << QVariant::fromValue(Ping::pingWithTitle(path, m_server->url(path).toString()));
    return list;
}

void tst_RVPingTool::updatePingsThenTrackbacksOneAtATime()
{
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Café & Co"));
    blog->setUrl(QStringLiteral("http://blog.example/"));
    blog->setPingUrls(pingList({"/rpc1", "/rpc2", "/rpc3"}).toList());
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("A post"));
    entry->setBody(QStringLiteral("<p>Short body.</p>"));
    entry->setPermaLink(QStringLiteral("http://blog.example/a-post"));
    blog->addEntry(entry);
    entry->setPingUris(PingList{Ping::pingWithTitle({}, m_server->url("/trackback/1").toString()),
                                Ping::pingWithTitle({}, m_server->url("/trackback/2").toString())});

    QSignalSpy idle(m_tool, &RVPingTool::idle);
    m_tool->addItem(blog.get());
    m_tool->addItem(entry);
    QVERIFY(m_tool->isRunning());
    QVERIFY(idle.wait(10000));

    const auto& requests = m_server->requests();
    QCOMPARE(requests.size(), 5);
    QStringList targets;
    for (const auto& request : requests)
        targets << QString::fromLatin1(request.target);
    QCOMPARE(targets, QStringList({"/rpc1", "/rpc2", "/rpc3", "/trackback/1", "/trackback/2"}));
    for (int i = 0; i < 3; ++i) {
        const QString call = QString::fromUtf8(requests.at(i).body);
        QVERIFY(call.contains(QLatin1String("<methodName>weblogUpdates.ping</methodName>")));
        QVERIFY(call.indexOf(QLatin1String("Café &amp; Co")) <
                call.indexOf(QLatin1String("http://blog.example/")));
        QCOMPARE(requests.at(i).header("Content-Type"), QByteArray("text/xml"));
    }
    // One at a time, the pause after each answer.
    for (int i = 1; i < m_arrivals.size(); ++i)
        QVERIFY2(m_arrivals.at(i) - m_arrivals.at(i - 1) >= pauseMs - 10,
                 qPrintable(QStringLiteral("requests %1 and %2 only %3 ms apart")
                                .arg(i)
                                .arg(i + 1)
                                .arg(m_arrivals.at(i) - m_arrivals.at(i - 1))));
    // Sent once: the entry's trackback list is empty now.
    QVERIFY(entry->pingUris().size() == 10);
    for (const auto& ping : entry->pingUris())
        QVERIFY(ping->address().isEmpty());
    QCOMPARE(m_list->count(), 0);
}

void tst_RVPingTool::trackbackValuesCannotAddFields_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("sentTitle");
    QTest::newRow("ampersand, equals, plus, hash") << "A&B=C + D #1"
                                                   << "A&B=C + D #1";
    QTest::newRow("not ASCII") << "Grüße 😀"
                               << "Grüße 😀";
    QTest::newRow("no title") << ""
                              << "Untitled";
}

void tst_RVPingTool::trackbackValuesCannotAddFields()
{
    QFETCH(QString, title);
    QFETCH(QString, sentTitle);
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Blog & Co"));
    auto entry = Entry::create();
    entry->setTitle(title);
    entry->setBody(QStringLiteral("<p>Excerpt=yes&no</p>"));
    entry->setPermaLink(QStringLiteral("http://blog.example/?p=1&x=2"));
    blog->addEntry(entry);
    entry->setPingUris(PingList{Ping::pingWithTitle({}, m_server->url("/trackback/9").toString())});

    QSignalSpy idle(m_tool, &RVPingTool::idle);
    m_tool->addItem(entry);
    QVERIFY(idle.wait(10000));
    QCOMPARE(m_server->requests().size(), 1);
    const auto& request = m_server->requests().first();
    QCOMPARE(request.header("Content-Type"),
             QByteArray("application/x-www-form-urlencoded; charset=utf-8"));
    const QUrlQuery form(QString::fromLatin1(request.body));
    QCOMPARE(form.queryItems().size(), 4);
    auto value = [&form](const char* name) {
        return form.queryItemValue(QString::fromLatin1(name), QUrl::FullyDecoded);
    };
    QCOMPARE(value("title"), sentTitle);
    QCOMPARE(value("url"), QStringLiteral("http://blog.example/?p=1&x=2"));
    QCOMPARE(value("excerpt"), QStringLiteral("Excerpt=yes&no"));
    QCOMPARE(value("blog_name"), QStringLiteral("Blog & Co"));
}

void tst_RVPingTool::aBlogWithoutPingsLeavesTheQueue()
{
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Quiet"));
    QSignalSpy idle(m_tool, &RVPingTool::idle);
    m_tool->addItem(blog.get());
    QVERIFY(idle.wait(5000));
    QCOMPARE(m_server->requests().size(), 0);
    QCOMPARE(m_tool->itemCount(), 0);
}

void tst_RVPingTool::aQueuedItemIsQueuedOnce()
{
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Twice"));
    blog->setUrl(QStringLiteral("http://blog.example/"));
    blog->setPingUrls(pingList({"/rpc1"}).toList());
    QSignalSpy idle(m_tool, &RVPingTool::idle);
    m_tool->addItem(blog.get());
    m_tool->addItem(blog.get());
    QCOMPARE(m_tool->itemCount(), 1);
    QVERIFY(idle.wait(5000));
    QCOMPARE(m_server->requests().size(), 1);
}

void tst_RVPingTool::stoppingTheRowEmptiesTheQueue()
{
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Stopped"));
    blog->setUrl(QStringLiteral("http://blog.example/"));
    blog->setPingUrls(pingList({"/slow", "/rpc2"}).toList());
    QSignalSpy idle(m_tool, &RVPingTool::idle);
    m_tool->addItem(blog.get());
    QTRY_COMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_list->count(), 1);
    QCOMPARE(m_list->itemAt(0)->status(),
             QStringLiteral("Notifying /slow for \"Stopped\" update..."));
    m_list->itemAt(0)->stop();
    QVERIFY(idle.count() == 1 || idle.wait(5000));
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_tool->itemCount(), 0);
    QCOMPARE(m_list->count(), 0);
}

void tst_RVPingTool::trackbacksThatFailStayInTheEntry()
{
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Blog"));
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("A post"));
    entry->setPermaLink(QStringLiteral("http://blog.example/a-post"));
    blog->addEntry(entry);
    const QStringList paths{"/trackback/ok", "/trackback/refused", "/trackback/broken",
                            "/trackback/fine"};
    PingList pings;
    for (const QString& path : paths)
        pings.append(Ping::pingWithTitle({}, m_server->url(path).toString()));
    entry->setPingUris(pings);

    QSignalSpy idle(m_tool, &RVPingTool::idle);
    m_tool->addItem(entry);
    QVERIFY(idle.wait(10000));
    QCOMPARE(m_server->requests().size(), 4);
    // The refused one and the one that failed stay, for the user to see and send again.
    QStringList kept;
    for (const auto& ping : entry->pingUris())
        kept << QUrl(ping->address()).path();
    QCOMPARE(kept, QStringList({"/trackback/refused", "/trackback/broken"}));

    // Without a permanent link nothing is sent, and nothing is lost.
    entry->setPermaLink(QString());
    m_tool->addItem(entry);
    QVERIFY(idle.wait(10000));
    QCOMPARE(m_server->requests().size(), 4);
    QCOMPARE(entry->pingUris().size(), 2);
}

namespace {

// What the calls write to the network console.
class ConsoleText : public ConsoleSink {
public:
    ConsoleText() { ConsoleSink::setSharedInstance(this); }
    ~ConsoleText() override { ConsoleSink::setSharedInstance(nullptr); }
    bool isConsoleVisible() const override { return true; }
    void clearConsole() override {}
    void addToConsole(const QString& added) override { text += added; }
    QString text;
};

} // namespace

void tst_RVPingTool::endlessAnswersAreCutAtAPagesSize()
{
    // A ping server and a trackback address that never stop answering: each is
    // read no further than a page may be, and the queue goes on.
    ConsoleText console;
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Blog"));
    blog->setUrl(QStringLiteral("http://blog.example/"));
    blog->setPingUrls(pingList({"/endless/rpc"}).toList());
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("A post"));
    entry->setPermaLink(QStringLiteral("http://blog.example/a-post"));
    blog->addEntry(entry);
    entry->setPingUris(
        PingList{Ping::pingWithTitle({}, m_server->url("/endless/trackback").toString()),
                 Ping::pingWithTitle({}, m_server->url("/trackback/after").toString())});

    QSignalSpy idle(m_tool, &RVPingTool::idle);
    m_tool->addItem(blog.get());
    m_tool->addItem(entry);
    // Two 8 MB answers made and read in this one process: slow on a busy machine.
    QVERIFY(idle.wait(120000));
    // The queue went on past the two endless answers: the last trackback was sent.
    // A machine stalled for longer than a page may wait stops that one at its
    // deadline before the server reads it, which still shows it was sent.
    const bool afterReached = m_server->requests().size() == 3 &&
                              m_server->requests().last().target == "/trackback/after";
    const bool afterStopped = console.text.contains(
        QRegularExpression(QStringLiteral("/trackback/after\\S* took longer than .* to answer")));
    QVERIFY2(afterReached || afterStopped, qPrintable(console.text.right(4000)));
    // Each ends at a page's bounds: its 8 MB, or its deadline where the test
    // server makes the bytes more slowly than the call may wait; never read on
    // to the 64 MB of a blog's own server.
    const int cut =
        console.text.count(QLatin1String("is larger than 8 MB, the most plumet accepts"));
    const int late =
        console.text.count(QLatin1String("seconds to answer, so the request was stopped"));
    QVERIFY2(cut + late == (afterReached ? 2 : 3),
             qPrintable(QStringLiteral("%1 cut, %2 late").arg(cut).arg(late)));
    QVERIFY(!console.text.contains(QLatin1String("larger than 64 MB")));
}

QTEST_GUILESS_MAIN(tst_RVPingTool)
#include "tst_rvpingtool.moc"
