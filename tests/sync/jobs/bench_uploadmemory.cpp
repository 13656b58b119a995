#include "Account.h"
#include "AccountList.h"
#include "ActivityList.h"
#include "Attachment.h"
#include "Blog.h"
#include "PluginManager.h"
#include "TestHttpServer.h"
#include "UploadRoad.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

// The memory an upload takes: a 50 MB file sent to a blog's XML-RPC media
// call on a loopback server, by a process of its own that does nothing else,
// its peak resident size against the size of the file. Runs alternate with
// measuring the file (the anchor), three of each.
using plumet::test::TestHttpServer;

namespace {

constexpr qint64 FileBytes = 50LL * 1024 * 1024;
constexpr int Runs = 3;

double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// The child: one upload, then its peak.
int uploadOnce(const QString& endpoint, const QString& path)
{
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    auto account = Account::create();
    account->setPluginKey(QStringLiteral("Wordpress"));
    account->setUrl(endpoint);
    // No user name: the login stays in memory, the keychain is never asked.
    account->setPassword(QStringLiteral("secret"));
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    account->addBlog(blog);
    AccountList accounts;
    accounts.insertAccount(account, -1);
    ActivityList list;
    UploadRoad road(list);
    road.setAccountList(&accounts);
    road.setTimeOut(120);
    // A plain attachment: the body's memory is the road's, not a movie's poster pass.
    auto attachment = std::make_shared<Attachment>();
    attachment->initWithPath(path);
    attachment->setAccountID(account->accountID());
    attachment->setBlogID(blog->uniqueID());
    int result = -1;
    road.upload(
        attachment, [&] { result = 0; },
        [&](const QString& message) {
            std::fprintf(stderr, "upload failed: %s\n", qPrintable(message));
            result = 1;
        });
    while (result < 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    std::printf("PEAK %.2f\n", peakMiB());
    std::fflush(stdout);
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

class bench_UploadMemory : public QObject {
    Q_OBJECT
private slots:
    void upload50MegabytePeak();
};

void bench_UploadMemory::upload50MegabytePeak()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("movie.mp4"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray block(1024 * 1024, Qt::Uninitialized);
        for (int i = 0; i < block.size(); ++i)
            block[i] = char((i * 31 + 7) % 256);
        for (qint64 written = 0; written < FileBytes; written += block.size())
            QCOMPARE(file.write(block), block.size());
    }
    TestHttpServer server;
    server.setHandler([](const TestHttpServer::Request&) {
        return TestHttpServer::Response::ok(
            "<?xml version=\"1.0\"?><methodResponse><params><param><value><struct><member>"
            "<name>url</name><value><string>http://blog.invalid/movie.mp4</string></value>"
            "</member></struct></value></param></params></methodResponse>",
            "text/xml");
    });
    QVERIFY(server.listen());

    std::vector<double> ours, anchor;
    for (int run = 0; run < Runs; ++run) {
        anchor.push_back(double(QFileInfo(path).size()) / (1024.0 * 1024.0));
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--upload"),
                     server.url(QStringLiteral("/xmlrpc.php")).toString(), path});
        QVERIFY(QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; }, 300000));
        QCOMPARE(child.exitCode(), 0);
        const QByteArray out = child.readAllStandardOutput();
        const qsizetype at = out.indexOf("PEAK ");
        QVERIFY2(at >= 0, out.constData());
        ours.push_back(out.mid(at + 5).trimmed().toDouble());
    }
    QCOMPARE(server.requests().size(), Runs);
    std::printf("upload_50mb_peak_rss: %d runs each\n", Runs);
    std::printf("  ours:   min %.2f MiB, median %.2f MiB (peak resident size of the uploading "
                "process)\n",
                *std::min_element(ours.begin(), ours.end()), median(ours));
    std::printf("  anchor: min %.2f MiB, median %.2f MiB (the file's size)\n",
                *std::min_element(anchor.begin(), anchor.end()), median(anchor));
    std::printf("RESULT upload_50mb_peak_rss ours=%.2f anchor=%.2f ratio=%.2f\n", median(ours),
                median(anchor), median(ours) / median(anchor));
    std::fflush(stdout);
}

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--upload") == 0) {
        QCoreApplication app(argc, argv);
        return uploadOnce(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    bench_UploadMemory benchmark;
    return QTest::qExec(&benchmark, argc, argv);
}
#include "bench_uploadmemory.moc"
