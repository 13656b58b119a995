#include "Attachment.h"
#include "AttachmentAdder.h"
#include "AttachmentController.h"
#include "ImageAttachment.h"
#include "KeyedUnarchiver.h"
#include "ManualClock.h"
#include "MovieAttachment.h"
#include "Presets.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace plumet::test;

class tst_AttachmentAdder : public QObject {
    Q_OBJECT
private slots:
    void init();
    void oneFile_data();
    void oneFile();
    void onlyRegularFilesAreOpened();
    void aKeyAnswersItsAttachment();
    void filesAtARowLandInReverseOrder();
    void mediaItems();
    void thePresetsStoreAnswersByDefault();

private:
    QString file(const QString& name, const QByteArray& bytes = "bytes");
    QString picture(const QString& name, int width, int height);
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<AttachmentController> m_library;
};

void tst_AttachmentAdder::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_clock = std::make_unique<ManualClock>();
    m_library = std::make_unique<AttachmentController>(
        m_folder->filePath(QStringLiteral("attachments.plist")), *m_clock);
    m_library->loadAttachments();
    QTRY_VERIFY(m_library->isLoaded());
}

QString tst_AttachmentAdder::file(const QString& name, const QByteArray& bytes)
{
    const QString path = m_folder->filePath(name);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return {};
    return path;
}

QString tst_AttachmentAdder::picture(const QString& name, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString path = m_folder->filePath(name);
    return image.save(path) ? path : QString();
}

void tst_AttachmentAdder::oneFile_data()
{
    QTest::addColumn<QString>("kind");   // of the file
    QTest::addColumn<QString>("preset"); // the last used one: none, image or movie
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<int>("thumbHeight");
    QTest::newRow("text file") << "text"
                               << "image" << false << 0;
    QTest::newRow("wide picture, no preset") << "wide"
                                             << "none" << true << 100;
    QTest::newRow("small picture, no preset") << "small"
                                              << "none" << false << 100;
    QTest::newRow("wide picture, image preset") << "wide"
                                                << "image" << false << 150;
    QTest::newRow("wide picture, movie preset") << "wide"
                                                << "movie" << true << 100;
}

void tst_AttachmentAdder::oneFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, preset);
    QFETCH(bool, scaled);
    QFETCH(int, thumbHeight);
    const QString path = kind == QLatin1String("text")    ? file(QStringLiteral("notes.txt"))
                         : kind == QLatin1String("small") ? picture("small.png", 300, 200)
                                                          : picture("wide.png", 800, 600);
    QVERIFY(!path.isEmpty());
    std::shared_ptr<MediaAttachment> stored;
    if (preset == QLatin1String("image")) {
        auto image = std::make_shared<ImageAttachment>();
        image->setThumbHeight(150);
        image->setUseScaling(false);
        stored = image;
    } else if (preset == QLatin1String("movie")) {
        auto movie = std::make_shared<MovieAttachment>();
        movie->setThumbHeight(150);
        stored = movie;
    }
    int lookups = 0;
    AttachmentAdder adder(*m_library, [&](const Attachment&) {
        ++lookups;
        return stored;
    });
    const AttachmentPtr added = adder.addOneFile(path);
    QVERIFY(added);
    QCOMPARE(m_library->attachments(), QList<AttachmentPtr>{added});
    auto* image = dynamic_cast<ImageAttachment*>(added.get());
    QCOMPARE(bool(image), kind != QLatin1String("text"));
    if (image) {
        QCOMPARE(lookups, 1);
        QCOMPARE(image->useScaling(), scaled);
        if (scaled)
            QCOMPARE(image->scaledWidth(), 480);
        QCOMPARE(image->thumbHeight(), thumbHeight);
    }
    // Saved a second later, as every change.
    QVERIFY(m_library->hasUnsavedChanges());
    m_clock->advance(1000);
    QVERIFY(!m_library->hasUnsavedChanges());
}

void tst_AttachmentAdder::onlyRegularFilesAreOpened()
{
    const QString folder = m_folder->filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkpath(folder));
    const QString fifo = m_folder->filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    AttachmentAdder adder(*m_library);
    for (const QString& path :
         {folder, fifo, QStringLiteral("/dev/zero"), m_folder->filePath(QStringLiteral("gone"))})
        QVERIFY2(!adder.addOneFile(path), qPrintable(path));
    QVERIFY(adder.addFiles({folder, fifo, QStringLiteral("/dev/null")}).isEmpty());
    QVERIFY(m_library->attachments().isEmpty());
}

void tst_AttachmentAdder::aKeyAnswersItsAttachment()
{
    auto known = std::make_shared<Attachment>();
    known->setUniqueID(QStringLiteral("KNOWNKEY"));
    m_library->addAttachment(known);
    AttachmentAdder adder(*m_library);
    QCOMPARE(adder.addOneFile(QStringLiteral("KNOWNKEY")), known);
    QVERIFY(!adder.addOneFile(QStringLiteral("UNKNOWNKEY")));
    QCOMPARE(m_library->attachments().size(), 1);
}

void tst_AttachmentAdder::filesAtARowLandInReverseOrder()
{
    auto first = std::make_shared<Attachment>();
    auto second = std::make_shared<Attachment>();
    m_library->addAttachments({first, second});
    AttachmentAdder adder(*m_library);
    const QList<AttachmentPtr> added =
        adder.addFiles({file(QStringLiteral("a.txt")), file(QStringLiteral("b.txt")),
                        file(QStringLiteral("c.txt"))},
                       1);
    QCOMPARE(added.size(), 3);
    QCOMPARE(m_library->attachments(),
             QList<AttachmentPtr>({first, added[2], added[1], added[0], second}));
    // Saved at once, not a second later.
    QVERIFY(!m_library->hasUnsavedChanges());
    const auto saved =
        KeyedUnarchiver::recordsIn<Attachment>(KeyedUnarchiver::unarchiveFile(m_library->path()));
    QVERIFY(saved);
    QCOMPARE(saved->size(), 5);
    QCOMPARE(saved->at(1)->fileName(), QStringLiteral("c.txt"));
}

void tst_AttachmentAdder::mediaItems()
{
    AttachmentAdder adder(*m_library);
    const QString captioned = picture(QStringLiteral("captioned.png"), 1000, 400);
    const QString plain = picture(QStringLiteral("plain.png"), 200, 200);
    const QList<AttachmentPtr> added = adder.addFromMediaItems(
        {QVariantMap{{"ImagePath", captioned}, {"Caption", QStringLiteral("By the sea")}},
         QVariantMap{{"ImagePath", m_folder->filePath(QStringLiteral("missing.png"))}},
         QVariantMap{{"ImagePath", plain}}});
    QCOMPARE(added.size(), 2);
    QCOMPARE(m_library->attachments(), added);
    QCOMPARE(added[0]->alt(), QStringLiteral("By the sea"));
    const QString defaultAlt = Attachment::attachmentWithPath(plain)->alt();
    QCOMPARE(added[1]->alt(), defaultAlt);
    QVERIFY(std::dynamic_pointer_cast<ImageAttachment>(added[0])->useScaling());
    QVERIFY(!m_library->hasUnsavedChanges());
}

void tst_AttachmentAdder::thePresetsStoreAnswersByDefault()
{
    auto preset = std::make_shared<ImageAttachment>();
    preset->setUniqueID(QStringLiteral("Big thumbs"));
    preset->setThumbHeight(150);
    Presets::sharedInstance().setPresets({preset});
    UserDefaults::sharedInstance().setValue(QString::fromLatin1(Presets::LastUsedPresetKey),
                                            QStringLiteral("Big thumbs"));
    AttachmentAdder adder(*m_library);
    auto image =
        std::dynamic_pointer_cast<ImageAttachment>(adder.addOneFile(picture("p.png", 900, 500)));
    QVERIFY(image);
    QCOMPARE(image->thumbHeight(), 150);
    QVERIFY(!image->useScaling());
    UserDefaults::sharedInstance().setValue(QString::fromLatin1(Presets::LastUsedPresetKey),
                                            QString());
    Presets::sharedInstance().setPresets({});
}

QTEST_MAIN(tst_AttachmentAdder)
#include "tst_attachmentadder.moc"
