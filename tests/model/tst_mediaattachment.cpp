#include "ArchiveRoundTrip.h"
#include "ImageAttachment.h"
#include "KeyedUnarchiver.h"
#include "MediaCache.h"
#include "MovieAttachment.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace plumet::test;

// What images and movies share: the thumbnail size rule, the box style, the
// stored form (against an archive laid out as the original program wrote it)
// and the files of the media cache.
class tst_MediaAttachment : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void intValueOfText_data();
    void intValueOfText();
    void styleMarkup_data();
    void styleMarkup();
    void borderTypeOutsideTheList_data();
    void borderTypeOutsideTheList();
    void thumbnailKeepsAspectRatio();
    void thumbnailSizeBelowOneSwitchesOff();
    void settingsAnnounceMarkup_data();
    void settingsAnnounceMarkup();
    void stringsForNumbers();
    void presetWithoutFileKeepsThumbnailSettings();
    void fixtureDecodes();
    void fixtureReencodesSameKeys();
    void archiveWritesOnlyWhatIsSet();
    void storedThumbHeightZeroSwitchesOff();
    void ownedFiles_data();
    void ownedFiles();
    void removeNeverFollowsLinks();
    void clearingKeepsFilesOutsideTheCache();

private:
    QList<AttachmentPtr> fixture();
};

void tst_MediaAttachment::initTestCase()
{
    // The test's own home (set by the test runner), never the user's.
    QVERIFY(qEnvironmentVariableIsSet("PLUMET_TEST_DATA"));
    QVERIFY(!MediaCache::folder().isEmpty());
}

void tst_MediaAttachment::intValueOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "133" << 133;
    QTest::newRow("real") << "0.8" << 0;
    QTest::newRow("leading blanks and sign") << "  -12px" << -12;
    QTest::newRow("plus") << "+7" << 7;
    QTest::newRow("no digits") << "wide" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("too large") << "99999999999" << INT_MAX;
}

void tst_MediaAttachment::intValueOfText()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(MediaAttachment::intValue(text), value);
}

void tst_MediaAttachment::styleMarkup_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QString>("style");

    QTest::newRow("nothing set") << QVariantMap{} << "";
    QTest::newRow("top margin of 0") << QVariantMap{{"marginTop", 0}} << "margin-top:0px; ";
    QTest::newRow("float left") << QVariantMap{{"floatOption", 1}} << "float:left; ";
    QTest::newRow("float 2") << QVariantMap{{"floatOption", 2}} << "float:right; ";
    QTest::newRow("float 3") << QVariantMap{{"floatOption", 3}} << "float:right; ";
    QTest::newRow("float 7") << QVariantMap{{"floatOption", 7}} << "float:right; ";
    QTest::newRow("float 0") << QVariantMap{{"floatOption", 0}} << "";
    QTest::newRow("all sides in order")
        << QVariantMap{{"marginLeft", 4},   {"marginTop", 1},     {"marginBottom", 3},
                       {"marginRight", 2},  {"paddingLeft", 8},   {"paddingTop", 5},
                       {"paddingRight", 6}, {"paddingBottom", 7}, {"floatOption", 1}}
        << "float:left; margin-top:1px; margin-right:2px; margin-bottom:3px; margin-left:4px; "
           "padding-top:5px; padding-right:6px; padding-bottom:7px; padding-left:8px; ";
    QTest::newRow("wide border, colour and type unset")
        << QVariantMap{{"border", 20}} << "border:1px #000000 dotted; ";
    QTest::newRow("border of 12") << QVariantMap{{"border", 12}, {"borderType", 2}}
                                  << "border:12px #000000 solid; ";
    QTest::newRow("border of 0") << QVariantMap{{"border", 0}, {"borderType", 2}} << "";
    QTest::newRow("border colour")
        << QVariantMap{{"border", 2},
                       {"borderType", 7},
                       {"borderColor", QVariant::fromValue(rv::Color(1, 0.5, 0))}}
        << "border:2px #ff7f00 outset; ";
    QTest::newRow("margin given as text")
        << QVariantMap{{"marginRight", "12"}} << "margin-right:12px; ";
}

void tst_MediaAttachment::styleMarkup()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QString, style);

    ImageAttachment image;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        QVERIFY(image.setStoredValue(it.key(), it.value()));
    QCOMPARE(image.styleMarkup(), style);
    QCOMPARE(image.usableStyle(), style.trimmed());
    image.setClassName(QStringLiteral("photo"));
    QCOMPARE(image.usableStyle(), QString());
}

void tst_MediaAttachment::borderTypeOutsideTheList_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("word");
    const char* words[] = {"dotted", "dashed", "solid", "double",
                           "groove", "ridge",  "inset", "outset"};
    for (int type = 0; type < 8; ++type)
        QTest::addRow("%d", type) << type << words[type];
    QTest::newRow("8") << 8 << "dotted";
    QTest::newRow("-1") << -1 << "dotted";
    QTest::newRow("large") << 1000 << "dotted";
}

void tst_MediaAttachment::borderTypeOutsideTheList()
{
    QFETCH(int, type);
    QFETCH(QString, word);
    MovieAttachment movie;
    movie.setBorder(3);
    movie.setBorderType(type);
    QCOMPARE(movie.styleMarkup(), QStringLiteral("border:3px #000000 %1; ").arg(word));
}

void tst_MediaAttachment::thumbnailKeepsAspectRatio()
{
    ImageAttachment image;
    image.setFilePath(testDataPath(QStringLiteral("model/dot.png")));
    image.setManualDimensions(1600, 1200);
    image.setThumbHeight(100);
    QCOMPARE(image.thumbWidth(), 133); // truncated, not rounded
    image.setThumbWidth(200);
    QCOMPARE(image.thumbHeight(), 150);

    // Without a natural size only the value given changes.
    ImageAttachment unsized;
    unsized.setStoredValue(u"thumbHeight", 40);
    unsized.setThumbWidth(77);
    QCOMPARE(unsized.thumbWidth(), 77);
    QCOMPARE(unsized.thumbHeight(), 40);
    // Unset, both read as 100.
    QCOMPARE(ImageAttachment().thumbHeight(), 100);
    QCOMPARE(MovieAttachment().thumbWidth(), 100);
}

void tst_MediaAttachment::thumbnailSizeBelowOneSwitchesOff()
{
    ImageAttachment image;
    image.setThumbCreate(true);
    image.setThumbHeight(80);
    image.setThumbHeight(0);
    QCOMPARE(image.thumbCreate(), false);
    QCOMPARE(image.thumbHeight(), 80);
    image.setThumbCreate(true);
    image.setStoredValue(u"thumbWidth", QStringLiteral("-4"));
    QCOMPARE(image.thumbCreate(), false);
}

void tst_MediaAttachment::settingsAnnounceMarkup_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("markup");
    QTest::newRow("prefix") << "thumbPrefix" << QVariant("t_") << true;
    QTest::newRow("suffix") << "thumbSuffix" << QVariant("-s") << true;
    QTest::newRow("thumb address") << "thumbPath" << QVariant("http://x/t.jpg") << true;
    QTest::newRow("thumb folder") << "thumbDestination" << QVariant("/thumbs") << false;
    QTest::newRow("width") << "width" << QVariant(20) << false;
    QTest::newRow("float") << "floatOption" << QVariant(1) << true;
    QTest::newRow("class") << "className" << QVariant("c") << true;
    QTest::newRow("margin") << "marginBottom" << QVariant(2) << true;
    QTest::newRow("border") << "border" << QVariant(2) << true;
    QTest::newRow("border type") << "borderType" << QVariant(2) << true;
    QTest::newRow("thumbnail switch") << "thumbCreate" << QVariant(true) << true;
    QTest::newRow("long description") << "longdesc" << QVariant("d") << true;
}

void tst_MediaAttachment::settingsAnnounceMarkup()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(bool, markup);
    ImageAttachment image;
    QSignalSpy changes(&image, &ModelRecord::valueChanged);
    QVERIFY(image.setStoredValue(key, value));
    QCOMPARE(changes.contains(QVariantList{QStringLiteral("markup")}), markup);
}

void tst_MediaAttachment::stringsForNumbers()
{
    ImageAttachment image;
    image.setStoredValue(u"thumbQuality", QStringLiteral("0.8"));
    QCOMPARE(image.thumbQuality(), std::optional<double>(0));
    image.setStoredValue(u"floatOption", QStringLiteral("2"));
    QCOMPARE(image.floatOption(), std::optional<int>(2));
    image.setStoredValue(u"thumbCreate", QStringLiteral("1"));
    QVERIFY(image.thumbCreate());
    // A margin given anything but a number or a text is cleared.
    image.setMargin(MediaAttachment::Right, 3);
    image.setStoredValue(u"marginRight", QVariant::fromValue(rv::Color(1, 0, 0)));
    QCOMPARE(image.margin(MediaAttachment::Right), std::nullopt);

    // Times are the exception: their text is a real number.
    MovieAttachment movie;
    movie.setStoredValue(u"timeValue", QStringLiteral("2.5"));
    QCOMPARE(movie.timeValue(), std::optional<double>(2.5));
}

void tst_MediaAttachment::presetWithoutFileKeepsThumbnailSettings()
{
    ImageAttachment preset;
    preset.setDestination(QStringLiteral("/pictures"));
    preset.setThumbCreate(true);
    preset.setThumbPrefix(QStringLiteral("small-"));
    preset.setMargin(MediaAttachment::Left, 6);
    preset.setBorder(1);
    preset.setConversionQuality(0.5);

    ImageAttachment fileless;
    fileless.applyPreset(preset);
    QCOMPARE(fileless.destination(), QStringLiteral("/pictures"));
    QCOMPARE(fileless.thumbPrefix(), QString());
    QCOMPARE(fileless.thumbCreate(), false);
    QCOMPARE(fileless.conversionQuality(), std::nullopt);
    QCOMPARE(fileless.margin(MediaAttachment::Left), std::optional<int>(6));
    QCOMPARE(fileless.border(), std::optional<int>(1));

    ImageAttachment withFile;
    withFile.setFilePath(testDataPath(QStringLiteral("model/dot.png")));
    withFile.applyPreset(preset);
    QCOMPARE(withFile.thumbPrefix(), QStringLiteral("small-"));
    QVERIFY(withFile.thumbCreate());
    QCOMPARE(withFile.conversionQuality(), std::optional<double>(0.5));

    // A preset made from an attachment takes the values as they stand.
    ImageAttachment made;
    QSignalSpy changes(&made, &ModelRecord::valueChanged);
    made.createPreset(withFile);
    QCOMPARE(made.thumbPrefix(), QStringLiteral("small-"));
    QCOMPARE(made.margin(MediaAttachment::Left), std::optional<int>(6));
    QVERIFY(!changes.contains(QVariantList{QStringLiteral("markup")}));
}

QList<AttachmentPtr> tst_MediaAttachment::fixture()
{
    QString error;
    QStringList warnings;
    const QVariant root = KeyedUnarchiver::unarchiveFile(
        testDataPath(QStringLiteral("model/archives/media-attachments.plist")), &error, &warnings);
    if (!error.isEmpty() || !warnings.isEmpty())
        qWarning() << error << warnings;
    const auto list = KeyedUnarchiver::recordsIn<Attachment>(root, &error);
    return list.value_or(QList<AttachmentPtr>());
}

void tst_MediaAttachment::fixtureDecodes()
{
    const QList<AttachmentPtr> records = fixture();
    QCOMPARE(records.size(), 2);
    auto image = std::dynamic_pointer_cast<ImageAttachment>(records[0]);
    auto movie = std::dynamic_pointer_cast<MovieAttachment>(records[1]);
    QVERIFY(image);
    QVERIFY(movie);

    QCOMPARE(image->uniqueID(), QStringLiteral("a1b2c3d4e5f60718293a4b5c6d7e8f90"));
    QCOMPARE(image->created(), 1210000000.5);
    QCOMPARE(image->alt(), QStringLiteral("Harbour at dawn"));
    QCOMPARE(image->fileName(), QStringLiteral("harbour.JPEG"));
    // A path from another machine is kept as it is: nothing to copy, nothing lost.
    QCOMPARE(image->filePath(), QStringLiteral("/Users/anna/Library/Application Support/plumet3/"
                                               "cache/a1b2c3d4e5f60718293a4b5c6d7e8f90.JPEG"));
    QCOMPARE(image->fileType(), std::optional<int>(Attachment::ImageFile));
    QCOMPARE(image->thumbHeight(), 100);
    QCOMPARE(image->thumbWidth(), 133);
    QVERIFY(image->thumbCreate());
    QCOMPARE(image->thumbQuality(), std::optional<double>(0.8));
    QCOMPARE(image->thumbPrefix(), QStringLiteral("t_"));
    QCOMPARE(image->thumbSuffix(), QStringLiteral("-tm"));
    QCOMPARE(image->thumbDestination(), QStringLiteral("/images/thumbs"));
    QCOMPARE(image->thumbPath(),
             QStringLiteral("http://blog.example.org/wp-content/uploads/2008/05/t_harbour-tm.jpg"));
    QCOMPARE(image->width(), 1600.0);
    QCOMPARE(image->height(), 1200.0);
    QCOMPARE(image->floatOption(), std::optional<int>(1));
    QCOMPARE(image->margin(MediaAttachment::Top), std::optional<int>(0));
    QCOMPARE(image->margin(MediaAttachment::Left), std::optional<int>(8));
    QCOMPARE(image->margin(MediaAttachment::Right), std::nullopt);
    QCOMPARE(image->padding(MediaAttachment::Bottom), std::optional<int>(4));
    QCOMPARE(image->border(), std::optional<int>(2));
    QCOMPARE(image->borderType(), std::optional<int>(3));
    QCOMPARE(image->borderColor(), std::optional<rv::Color>(rv::Color(0.5, 0.25, 0)));
    QCOMPARE(image->longdesc(), QStringLiteral("The harbour of Honfleur, early in May"));
    QCOMPARE(image->conversionFormat(), int(ImageAttachment::Jpeg));
    QCOMPARE(image->conversionInterlaced(), std::optional<bool>(false));
    QCOMPARE(image->conversionQuality(), std::optional<double>(0.85));
    QVERIFY(image->useScaling());
    QCOMPARE(image->scaledHeight(), 360);
    QCOMPARE(image->scaledWidth(), 480);
    QCOMPARE(image->sharpenRadius(), std::optional<double>(1.25));
    QCOMPARE(image->sharpenIntensity(), std::optional<double>(0.25));
    QCOMPARE(image->exposure(), std::optional<double>(0.0));
    QCOMPARE(image->saturation(), std::optional<double>(1.0));
    QCOMPARE(image->styleMarkup(),
             QStringLiteral("float:left; margin-top:0px; margin-left:8px; "
                            "padding-bottom:4px; border:2px #7f3f00 double; "));

    QCOMPARE(movie->uniqueID(), QStringLiteral("0f1e2d3c4b5a69788796a5b4c3d2e1f0"));
    QCOMPARE(movie->filePath(), QStringLiteral("/Users/anna/Movies/boat trip.mov"));
    QCOMPARE(movie->fileType(), std::optional<int>(Attachment::MovieFile));
    QCOMPARE(movie->alt(), QStringLiteral("Boats & \"sails\" <at sea>"));
    QCOMPARE(movie->width(), 320.0);
    QCOMPARE(movie->height(), 240.0);
    QCOMPARE(movie->thumbQuality(), std::optional<double>(0.9));
    QCOMPARE(movie->storedThumbWidth(), std::nullopt);
    QCOMPARE(movie->moviePlayAutomatically(), std::optional<bool>(false));
    QCOMPARE(movie->movieShowController(), std::optional<bool>(true));
    QCOMPARE(movie->timeValue(), std::optional<double>(1500));
    QCOMPARE(movie->timeScale(), std::optional<double>(600));
    QCOMPARE(movie->movieLinkOption(), std::optional<int>(MovieAttachment::PosterMovie));
    QCOMPARE(movie->posterPath(),
             QStringLiteral("http://blog.example.org/media/boat-trip-poster.mov"));
    QCOMPARE(movie->uploadPath(), QStringLiteral("http://blog.example.org/media/boat-trip.mov"));
}

void tst_MediaAttachment::fixtureReencodesSameKeys()
{
    const QVariantMap archive =
        PropertyList::read([] {
            QFile file(testDataPath(QStringLiteral("model/archives/media-attachments.plist")));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }())
            .toMap();
    const QVariantList objects = archive.value(QStringLiteral("$objects")).toList();
    auto keysOf = [](const QVariantMap& object) {
        QSet<QString> keys;
        for (auto it = object.cbegin(); it != object.cend(); ++it)
            if (it.key() != QLatin1String("$class"))
                keys.insert(it.key());
        return keys;
    };
    const QSet<QString> imageKeys = keysOf(objects.value(2).toMap());
    const QSet<QString> movieKeys = keysOf(objects.value(33).toMap());
    QCOMPARE(imageKeys.size(), 35);

    const QList<AttachmentPtr> records = fixture();
    QCOMPARE(records.size(), 2);
    QCOMPARE(archivedKeys(*records[0]), imageKeys);
    QCOMPARE(archivedKeys(*records[1]), movieKeys);
    QCOMPARE(records[0]->archiveClassChain(),
             (QStringList{"ImageAttachment", "MediaAttachment", "Attachment", "NSObject"}));

    // And back once more, every field equal.
    const auto again = archiveRoundTrip<ImageAttachment>(*records[0]);
    QVERIFY(again);
    QCOMPARE(again->generateMarkup(false, nullptr), records[0]->generateMarkup(false, nullptr));
    QCOMPARE(again->longdesc(), QStringLiteral("The harbour of Honfleur, early in May"));
    const auto movie = archiveRoundTrip<MovieAttachment>(*records[1]);
    QVERIFY(movie);
    QCOMPARE(movie->generateMarkup(true, nullptr), records[1]->generateMarkup(true, nullptr));
}

void tst_MediaAttachment::archiveWritesOnlyWhatIsSet()
{
    ImageAttachment image;
    image.setUniqueID(QStringLiteral("0123456789abcdef0123456789abcdef"));
    QCOMPARE(archivedKeys(image), (QSet<QString>{"created", "uniqueID"}));
    image.setBorderType(1);
    image.setSaturation(0.5);
    QCOMPARE(archivedKeys(image),
             (QSet<QString>{"created", "uniqueID", "borderType", "saturation"}));

    MovieAttachment movie;
    movie.setMovieLinkOption(2);
    QCOMPARE(archivedKeys(movie), (QSet<QString>{"created", "uniqueID", "movieLinkOption"}));
    // The local files are made again when needed, never stored.
    movie.setPosterCachedPath(QStringLiteral("/tmp/x.mov"));
    movie.setThumbCachedPath(QStringLiteral("/tmp/x.jpeg"));
    QCOMPARE(archivedKeys(movie).size(), 3);
}

void tst_MediaAttachment::storedThumbHeightZeroSwitchesOff()
{
    // Read in the original order: the switch, then a height of 0 turns it off
    // again and leaves the earlier height.
    ImageAttachment withHeight;
    withHeight.setThumbCreate(true);
    withHeight.setThumbHeight(90);
    const QByteArray bytes = KeyedArchiver::archivedData(withHeight);
    QVariantMap tree = PropertyList::read(bytes).toMap();
    QVariantList objects = tree.value(QStringLiteral("$objects")).toList();
    QVariantMap object = objects.value(1).toMap();
    const quint64 zero = quint64(objects.size());
    objects.append(qint64(0));
    object.insert(QStringLiteral("thumbHeight"), QVariant::fromValue(PlistUid{zero}));
    objects[1] = object;
    tree.insert(QStringLiteral("$objects"), objects);
    QString error;
    const auto record = std::dynamic_pointer_cast<ImageAttachment>(
        KeyedUnarchiver::unarchiveTree(tree, &error).value<ArchivableRef>());
    QVERIFY2(record, qPrintable(error));
    QCOMPARE(record->thumbCreate(), false);
    QCOMPARE(record->storedThumbHeight(), std::nullopt);
}

void tst_MediaAttachment::ownedFiles_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("owned");
    QTest::newRow("directly in the cache") << "cache/%1.png" << true;
    QTest::newRow("in a folder of the cache") << "cache/sub/%1.png" << false;
    QTest::newRow("named like the cache elsewhere") << "elsewhere/plumet3/cache/%1.png" << false;
    QTest::newRow("out of the cache through ..") << "cache/../../outside-%1.png" << false;
    QTest::newRow("back in through ..") << "cache/sub/../%1.png" << false;
    QTest::newRow("relative") << "relative" << false;
}

void tst_MediaAttachment::ownedFiles()
{
    QFETCH(QString, where);
    QFETCH(bool, owned);

    const QString cache = MediaCache::folder();
    const QString support = QFileInfo(cache).path();
    const QString name = MediaCache::newFileName();
    QString path = where == QLatin1String("relative") ? name : support + u'/' + where.arg(name);
    const QString real = QDir::cleanPath(path);
    QVERIFY(QDir().mkpath(QFileInfo(real).path()));
    QFile file(real);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("picture");
    file.close();

    QCOMPARE(MediaCache::isOwnedFile(path), owned);
    QCOMPARE(MediaCache::removeOwnedFile(path), owned);
    QCOMPARE(QFileInfo::exists(real), !owned);
    QFile::remove(real);
}

void tst_MediaAttachment::removeNeverFollowsLinks()
{
    const QString cache = MediaCache::folder();
    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    const QString precious = outside.filePath(QStringLiteral("precious.png"));
    QFile file(precious);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    // A link in the cache to a file elsewhere: neither goes.
    const QString link = cache + u'/' + MediaCache::newFileName() + QStringLiteral(".png");
    QVERIFY(QFile::link(precious, link));
    ImageAttachment image;
    image.setUniqueID(QFileInfo(link).completeBaseName()); // the link is its cache copy
    image.setFilePath(link);
    QCOMPARE(image.filePath(), link);
    image.setFilePath(QString());
    QVERIFY(QFileInfo::exists(precious));
    QVERIFY(QFileInfo(link).isSymLink());
    QFile::remove(link);

    // A cache folder reached through a link is still the cache: its files are ours.
    const QString linkedCache = outside.filePath(QStringLiteral("cache-link"));
    QVERIFY(QFile::link(cache, linkedCache));
    const QString name = MediaCache::newFileName() + QStringLiteral(".png");
    QFile ours(cache + u'/' + name);
    QVERIFY(ours.open(QIODevice::WriteOnly));
    ours.close();
    QVERIFY(MediaCache::isOwnedFile(linkedCache + u'/' + name));
    // A link to a folder of the cache's parent is not.
    QVERIFY(!MediaCache::isOwnedFile(outside.filePath(QStringLiteral("precious.png"))));
    QVERIFY(MediaCache::removeOwnedFile(cache + u'/' + name));
}

void tst_MediaAttachment::clearingKeepsFilesOutsideTheCache()
{
    // A picture kept in a folder whose path holds "plumet3/cache".
    const QString support = QFileInfo(MediaCache::folder()).path();
    const QString source = support + QStringLiteral("/old/plumet3/cache/beach.png");
    QVERIFY(QDir().mkpath(QFileInfo(source).path()));
    QFile::remove(source);
    QVERIFY(QFile::copy(testDataPath(QStringLiteral("model/dot.png")), source));

    ImageAttachment image;
    image.initWithPath(source);
    const QString copy = MediaCache::folder() + u'/' + image.uniqueID() + QStringLiteral(".png");
    QCOMPARE(image.filePath(), copy);
    image.setFilePath(QString());
    QVERIFY(!QFileInfo::exists(copy));
    QVERIFY(QFileInfo::exists(source));
}

QTEST_MAIN(tst_MediaAttachment)
#include "tst_mediaattachment.moc"
