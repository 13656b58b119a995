#include "AttachmentController.h"
#include "Benchmark.h"
#include "ImageAttachment.h"
#include "KeyedArchiver.h"
#include "MovieAttachment.h"
#include "PlistParseAnchor.h"
#include "UserDefaults.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

// The library read at start-up: 10,000 attachments (pictures, movies and plain
// files, uploaded or not) loaded with expiry until the library says it is
// loaded, against a bare libplist parse of the same file.
class bench_AttachmentsLoad : public QObject {
    Q_OBJECT
private slots:
    void load10k();
};

void bench_AttachmentsLoad::load10k()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString source = folder.filePath(QStringLiteral("source.jpg"));
    {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("picture");
    }
    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    QVariantList root;
    for (int n = 0; n < 10'000; ++n) {
        AttachmentPtr attachment;
        if (n % 10 < 7) {
            auto image = std::make_shared<ImageAttachment>();
            image->setThumbCreate(true);
            image->setThumbHeight(100);
            image->setConversionFormat(ImageAttachment::Jpeg);
            image->setConversionQuality(0.8);
            image->setUseScaling(n % 2 == 0);
            image->setScaledWidth(480);
            image->setMargin(MediaAttachment::Left, 4);
            image->setBorderColor(rv::Color(0.2, 0.3, 0.4, 1));
            attachment = image;
        } else if (n % 10 < 9) {
            auto movie = std::make_shared<MovieAttachment>();
            movie->setMovieLinkOption(1);
            movie->setTimeValue(600);
            movie->setTimeScale(600);
            attachment = movie;
        } else {
            attachment = std::make_shared<Attachment>();
        }
        attachment->setUniqueID(QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toUpper());
        // A tenth are old uploads that expire; half the rest are uploaded.
        const bool uploaded = n % 2 == 1;
        attachment->setCreated(now - (n % 10 == 3 ? 9 : 1) * 86400.0);
        attachment->setFilePath(source);
        if (uploaded || n % 10 == 3)
            attachment->setUploadPath(QStringLiteral("http://blog.example.org/up/%1.jpg").arg(n));
        attachment->setFileName(QStringLiteral("holiday photo %1.jpg").arg(n));
        attachment->setAlt(QStringLiteral("On the beach, day %1").arg(n));
        attachment->setAccountID(QStringLiteral("account-1"));
        attachment->setBlogID(QStringLiteral("7"));
        root.append(QVariant::fromValue(ArchivableRef(attachment)));
    }
    const QString path = folder.filePath(QStringLiteral("attachments.plist"));
    QString error;
    const QByteArray bytes = KeyedArchiver::archivedData(QVariant(root), &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));
    root.clear();
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    UserDefaults::sharedInstance().setValue(QStringLiteral("attachment_option"), true);
    UserDefaults::sharedInstance().setValue(QStringLiteral("remove_attachment_days"), 5);

    qint64 longestBatch = 0;
    qsizetype kept = 0;
    const auto ours = [&] {
        QElapsedTimer timer;
        timer.start();
        AttachmentController library(path);
        // The program's own event loop, not a test's polling wait.
        QEventLoop loop;
        connect(&library, &AttachmentController::loadFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60'000, &loop, &QEventLoop::quit);
        library.loadAttachments();
        loop.exec();
        if (!library.isLoaded())
            qFatal("the library did not load");
        const double ms = timer.nsecsElapsed() / 1e6;
        longestBatch = std::max(longestBatch, library.longestBatchNsecs());
        kept = library.attachments().size();
        return ms;
    };
    const auto anchor = [&] { return plumet::test::bareParseMs({path}); };
    const plumet::test::Comparison comparison = plumet::test::interleaved(7, ours, anchor);
    QCOMPARE(kept, qsizetype(9'000));
    std::printf("attachments.plist: %.1f MB, longest main-thread batch %.2f ms\n",
                bytes.size() / 1e6, longestBatch / 1e6);
    plumet::test::printComparison("attachments_load_10k", QStringLiteral("libplist parse"),
                                  comparison);
}

QTEST_MAIN(bench_AttachmentsLoad)
#include "bench_attachmentsload.moc"
