#include "ActivityList.h"
#include "Attachment.h"
#include "AttachmentLibrary.h"
#include "Benchmark.h"
#include "PublishBenchmark.h"
#include "ServerRoads.h"
#include "UploadJob.h"
#include "UploadRoad.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

// Publishing one post holding ten photographs to the local WordPress through
// the whole road (ten uploads, each its own job and request with the file's
// Base64 streamed into the body, then the post and its read-back) against
// Python's xmlrpc.client sending the same twelve requests: ten
// newMediaObject, newPost, getPost.
namespace {

using namespace plumet::test;

constexpr int imagesPerPost = 10;
constexpr int runs = 5;

// A library holding the attachments of the post being published.
class Library : public AttachmentLibrary {
public:
    QHash<QString, AttachmentPtr> attachments;
    bool isLoaded() const override { return true; }
    AttachmentPtr attachmentForKey(const QString& key) override { return attachments.value(key); }
};

// A 1600 × 1200 photograph-like JPEG: smooth light with grain, so that it
// compresses as camera pictures do (some hundred kilobytes), not to nothing.
QByteArray photo(int seed)
{
    QImage image(1600, 1200, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(seed));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = static_cast<int>(random.bounded(40));
            line[x] = qRgb((x / 7 + seed * 30 + grain) % 256, (y / 5 + grain) % 256,
                           ((x + y) / 11 + grain) % 256);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

// Ten newMediaObject with the files read afresh, the post naming their
// addresses, and its read-back. Names are numbered per run on each side, as
// WordPress takes longer to find a free name the more files share one.
const char* pythonScript = R"(import sys, time, xmlrpc.client
url, user, password = sys.argv[1], sys.argv[2], sys.argv[3]
paths = sys.argv[4:]
server = xmlrpc.client.ServerProxy(url)
run = 0
for _ in sys.stdin:
    run += 1
    start = time.perf_counter()
    links = []
    for number, path in enumerate(paths):
        with open(path, 'rb') as f:
            data = f.read()
        answer = server.metaWeblog.newMediaObject('1', user, password, {
            'name': 'a%03d-%02d.jpg' % (run, number), 'type': 'image/jpeg',
            'bits': xmlrpc.client.Binary(data)})
        links.append('<img src="%s" />' % answer['url'])
    post = server.metaWeblog.newPost('1', user, password, {
        'title': 'Pictures a%03d' % run, 'description': '<p>' + ' '.join(links) + '</p>',
        'mt_text_more': '', 'mt_excerpt': '', 'mt_keywords': '',
        'mt_allow_comments': 1, 'mt_allow_pings': 0, 'mt_convert_breaks': ''}, True)
    server.metaWeblog.getPost(post, user, password)
    print('%.3f' % ((time.perf_counter() - start) * 1000), flush=True)
)";

} // namespace

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    plumet::test::TestKeyring keyring;
    WordPressServer wordpress;
    if (!startPublishBenchmark(keyring, wordpress))
        return 1;
    QTemporaryDir files;
    QStringList paths;
    qint64 totalBytes = 0;
    for (int i = 0; i < imagesPerPost; ++i) {
        const QString path = files.filePath(QStringLiteral("photo-%1.jpg").arg(i));
        const QByteArray bytes = photo(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qCritical("cannot write %s", qPrintable(path));
            return 1;
        }
        totalBytes += bytes.size();
        paths << path;
    }
    std::printf("publish_10_images: %d JPEGs of 1600 x 1200, %lld bytes together\n", imagesPerPost,
                static_cast<long long>(totalBytes));

    const BlogSetup setup =
        makeBlog(QStringLiteral("Wordpress"), wordpress.xmlrpcUrl(), wordpress.username(),
                 wordpress.password(), QStringLiteral("1"));
    ActivityList list;
    PublishRoad road(list);
    ServerRoads::setSharedInstance(&road);
    UploadRoad uploads(list);
    AttachmentUploads::setSharedInstance(&uploads);
    Library library;
    AttachmentLibrary::setSharedInstance(&library);

    // One upload job of one request per image, as the anchor sends them.
    int uploadRequests = 0;
    QObject::connect(&uploads, &UploadRoad::jobCreated, [&uploadRequests](Job* job) {
        QObject::connect(job, &Job::finished, [&uploadRequests, job] {
            uploadRequests += qobject_cast<UploadJob*>(job)->passes();
        });
    });
    int oursRun = 0;
    auto ours = [&] {
        ++oursRun;
        // Fresh records each run, as a new post's attachments have no address yet.
        library.attachments.clear();
        auto entry = Entry::create();
        QString body = QStringLiteral("<p>");
        QList<AttachmentPtr> attachments;
        for (int i = 0; i < imagesPerPost; ++i) {
            auto attachment = std::make_shared<Attachment>();
            attachment->initWithPath(paths.at(i));
            attachment->setFileName(QStringLiteral("o%1-%2.jpg")
                                        .arg(oursRun, 3, 10, QLatin1Char('0'))
                                        .arg(i, 2, 10, QLatin1Char('0')));
            attachment->setAccountID(setup.account->accountID());
            attachment->setBlogID(setup.blog->uniqueID());
            library.attachments.insert(attachment->uniqueID(), attachment);
            entry->addKeyToAttachments(attachment->uniqueID());
            body += attachment->uniqueID() + QLatin1Char(' ');
            attachments << attachment;
        }
        entry->setTitle(QStringLiteral("Pictures o%1").arg(oursRun, 3, 10, QLatin1Char('0')));
        entry->setBody(body + QStringLiteral("</p>"));
        setup.blog->addEntry(entry);
        uploadRequests = 0;
        const double ms = plumet::test::millisecondsOf([&] {
            // newPost and the read-back, as the anchor sends them.
            const int requests = publishAndWait(road, entry, 120000);
            if (requests != 2)
                qFatal("the post took %d requests", requests);
            if (entry->hasFlag(Entry::LocalOnly))
                qFatal("the post was not made");
        });
        if (uploadRequests != imagesPerPost)
            qFatal("the images took %d upload requests", uploadRequests);
        for (const AttachmentPtr& attachment : attachments)
            if (attachment->uploadPath().isEmpty())
                qFatal("an image was not uploaded");
        return ms;
    };

    PythonAnchor python(
        QString::fromUtf8(pythonScript),
        QStringList{wordpress.xmlrpcUrl().toString(), wordpress.username(), wordpress.password()} +
            paths);
    ours(); // warm both up
    python.run();
    if (python.missing()) {
        std::printf("publish_10_images skipped: %s\n", qPrintable(python.problem()));
        return 0;
    }
    if (!python.problem().isEmpty()) {
        qCritical("the Python anchor failed: %s", qPrintable(python.problem()));
        return 1;
    }
    const auto comparison = plumet::test::interleaved(runs, ours, [&python] {
        const double ms = python.run();
        if (ms < 0)
            qFatal("the Python anchor failed: %s", qPrintable(python.problem()));
        return ms;
    });
    ServerRoads::setSharedInstance(nullptr);
    AttachmentUploads::setSharedInstance(nullptr);
    AttachmentLibrary::setSharedInstance(nullptr);
    plumet::test::printComparison(
        "publish_10_images",
        QStringLiteral("python3 xmlrpc.client, 10 newMediaObject + newPost + getPost"), comparison);
    return 0;
}
