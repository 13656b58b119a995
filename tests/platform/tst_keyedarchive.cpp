#include "ArchiveClassRegistry.h"
#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "PlistUid.h"
#include "TestSupport.h"

#include <QTest>

namespace {

// A small record with one key of each kind the stores keep.
class Note : public Archivable {
public:
    QString title;
    QDateTime created;
    std::optional<rv::Color> label;
    std::optional<rv::Color> shade;
    qint64 count = 0;
    bool hadPicture = false;
    QVariant picture;
    QVariantMap extras;
    std::shared_ptr<Note> child;
    QList<std::shared_ptr<Note>> replies;

    QString archiveClassName() const override { return QStringLiteral("Note"); }

    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeObject(QStringLiteral("title"), title);
        if (created.isValid())
            coder.encodeObject(QStringLiteral("created"), created);
        if (label)
            coder.encodeColor(QStringLiteral("label"), *label);
        coder.encodeInt(QStringLiteral("count"), count);
        if (!extras.isEmpty())
            coder.encodeObject(QStringLiteral("extras"), extras);
        if (child)
            coder.encodeObject(QStringLiteral("child"), child.get());
        if (!replies.isEmpty())
            coder.encodeRecords(QStringLiteral("replies"), replies);
    }

    void initWithCoder(KeyedUnarchiver& coder) override
    {
        title = coder.decodeString(QStringLiteral("title"));
        created = coder.decodeDate(QStringLiteral("created"));
        label = coder.decodeColor(QStringLiteral("label"));
        shade = coder.decodeColor(QStringLiteral("shade"));
        count = coder.decodeInt(QStringLiteral("count"));
        hadPicture = coder.containsKey(QStringLiteral("picture"));
        picture = coder.decodeObject(QStringLiteral("picture"));
        extras = coder.decodeMap(QStringLiteral("extras"));
        child = coder.decodeRecord<Note>(QStringLiteral("child"));
        replies = coder.decodeRecords<Note>(QStringLiteral("replies"));
    }
};

QVariant uid(quint64 value)
{
    return QVariant::fromValue(PlistUid{value});
}

QVariantMap classInfo(const QString& name)
{
    return {{QStringLiteral("$classname"), name},
            {QStringLiteral("$classes"), QStringList{name, QStringLiteral("NSObject")}}};
}

// An archive tree around the given objects ("$null" is put first).
QVariantMap archive(QVariantList objects, const QVariant& root = uid(1))
{
    objects.prepend(QStringLiteral("$null"));
    return {{QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")},
            {QStringLiteral("$version"), qint64(100000)},
            {QStringLiteral("$top"), QVariantMap{{QStringLiteral("root"), root}}},
            {QStringLiteral("$objects"), objects}};
}

QVariantMap array(const QVariantList& members, quint64 classUid)
{
    return {{QStringLiteral("NS.objects"), members}, {QStringLiteral("$class"), uid(classUid)}};
}

QVariantMap colorObject(const QVariantMap& form, quint64 classUid)
{
    QVariantMap object = form;
    object.insert(QStringLiteral("$class"), uid(classUid));
    return object;
}

QDateTime utc(const QString& iso)
{
    return QDateTime::fromString(iso, Qt::ISODateWithMs);
}

} // namespace

class tst_KeyedArchive : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readsHandMadeArchive_data();
    void readsHandMadeArchive();
    void roundTripsEveryValueKind_data();
    void roundTripsEveryValueKind();
    void writesTheKeyedArchiverLayout();
    void sharedRecordDecodesToOneObject();
    void malformedArchivesAreErrors_data();
    void malformedArchivesAreErrors();
    void colourForms_data();
    void colourForms();
    void archiverRefusesCyclesAndUnknownValues();
    void plainRecordsBuildLaterAsTheyWouldAtOnce();
};

void tst_KeyedArchive::initTestCase()
{
    ArchiveClassRegistry::registerClass<Note>(QStringLiteral("Note"));
}

void tst_KeyedArchive::readsHandMadeArchive_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xml") << QStringLiteral("platform/note-archive.plist");
    // The same converted by plistutil: references stay {"CF$UID": n} dictionaries.
    QTest::newRow("converted to binary") << QStringLiteral("platform/note-archive.bplist");
}

void tst_KeyedArchive::readsHandMadeArchive()
{
    QFETCH(QString, file);
    QString error;
    QStringList warnings;
    const QVariant root =
        KeyedUnarchiver::unarchive(plumet::test::readTestData(file), &error, &warnings);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const auto notes = KeyedUnarchiver::recordsIn<Note>(root, &error);
    QVERIFY(notes);
    QCOMPARE(notes->size(), 1);
    const Note& note = *notes->first();
    QCOMPARE(note.title, QStringLiteral("Hello, world"));
    QCOMPARE(note.created, utc(QStringLiteral("2001-01-02T00:00:00.500Z")));
    QCOMPARE(note.label, std::optional(rv::Color(0.11, 1, 0.42, 0.2)));
    QCOMPARE(note.shade, std::optional(rv::Color(0.5, 0.5, 0.5, 1)));
    QCOMPARE(note.count, qint64(7));
    // The picture's class is unknown here: it is left out, not a failure.
    QVERIFY(note.hadPicture);
    QVERIFY(!note.picture.isValid());
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings.first().contains(QLatin1String("NSImage")));
}

void tst_KeyedArchive::roundTripsEveryValueKind_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("binary") << int(PropertyList::Format::Binary);
    QTest::newRow("xml") << int(PropertyList::Format::Xml);
}

void tst_KeyedArchive::roundTripsEveryValueKind()
{
    QFETCH(int, format);
    auto note = std::make_shared<Note>();
    note->title = QStringLiteral("Grüße, \"quoted\" & <tagged>");
    note->created = utc(QStringLiteral("1998-07-01T12:30:45.125Z"));
    note->label = rv::Color(1, 0.502, 0, 1);
    note->count = -17;
    note->extras = {
        {QStringLiteral("text"), QStringLiteral("x")},
        {QStringLiteral("integer"), qint64(1) << 40},
        {QStringLiteral("real"), 0.95},
        {QStringLiteral("flag"), true},
        {QStringLiteral("bytes"), QByteArray("\0\xff", 2)},
        {QStringLiteral("when"), utc(QStringLiteral("2030-01-01T00:00:00.001Z"))},
        {QStringLiteral("list"),
         QVariantList{QStringLiteral("a"), QVariant(), qint64(2), QVariantList{}}},
        {QStringLiteral("map"), QVariantMap{{QStringLiteral("deep"), QVariantMap{}}}},
        {QStringLiteral("colour"), QVariant::fromValue(rv::Color(0.11, 1.0, 0.42, 0.2))},
    };
    note->child = std::make_shared<Note>();
    note->child->title = QStringLiteral("child");
    note->replies = {std::make_shared<Note>(), note->child};
    note->replies.first()->title = QStringLiteral("reply");

    QString error;
    const QByteArray bytes =
        KeyedArchiver::archivedData(QVariantList{QVariant::fromValue(ArchivableRef(note))}, &error,
                                    PropertyList::Format(format));
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));
    const auto notes = KeyedUnarchiver::recordsIn<Note>(KeyedUnarchiver::unarchive(bytes, &error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(notes && notes->size() == 1);
    const Note& back = *notes->first();
    QCOMPARE(back.title, note->title);
    QCOMPARE(back.created, note->created);
    QCOMPARE(back.label, note->label);
    QCOMPARE(back.count, note->count);
    QCOMPARE(back.extras, note->extras);
    QVERIFY(back.child);
    QCOMPARE(back.child->title, QStringLiteral("child"));
    QVERIFY(!back.child->child);
    QCOMPARE(back.replies.size(), 2);
    QCOMPARE(back.replies.first()->title, QStringLiteral("reply"));
    QCOMPARE(back.replies.last().get(), back.child.get()); // one object, referenced twice
}

void tst_KeyedArchive::writesTheKeyedArchiverLayout()
{
    Note note;
    note.title = QStringLiteral("same");
    note.extras = {{QStringLiteral("again"), QStringLiteral("same")}};
    const QVariantMap tree =
        KeyedArchiver::archiveTree(QVariant::fromValue(ArchivableRef(&note, [](Archivable*) {
        }))).toMap();
    QCOMPARE(tree.value("$archiver"), QVariant(QStringLiteral("NSKeyedArchiver")));
    QCOMPARE(tree.value("$version"), QVariant(qint64(100000)));
    const QVariantList objects = tree.value("$objects").toList();
    QCOMPARE(objects.value(0), QVariant(QStringLiteral("$null")));
    const PlistUid root = tree.value("$top").toMap().value("root").value<PlistUid>();
    const QVariantMap record = objects.value(qsizetype(root.value)).toMap();
    QCOMPARE(record.value("count"), QVariant(qint64(0))); // a plain value, no reference
    const QVariantMap cls =
        objects.value(qsizetype(record.value("$class").value<PlistUid>().value)).toMap();
    QCOMPARE(cls.value("$classname"), QVariant(QStringLiteral("Note")));
    QCOMPARE(cls.value("$classes").toStringList(), (QStringList{"Note", "NSObject"}));
    // Equal strings are stored once.
    QCOMPARE(objects.count(QVariant(QStringLiteral("same"))), 1);
}

void tst_KeyedArchive::sharedRecordDecodesToOneObject()
{
    auto note = std::make_shared<Note>();
    const QVariant ref = QVariant::fromValue(ArchivableRef(note));
    const auto notes = KeyedUnarchiver::recordsIn<Note>(
        KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(QVariantList{ref, ref})));
    QVERIFY(notes && notes->size() == 2);
    QCOMPARE(notes->at(0).get(), notes->at(1).get());
}

void tst_KeyedArchive::malformedArchivesAreErrors_data()
{
    QTest::addColumn<QVariant>("tree");
    const QVariantMap arrayClass = classInfo(QStringLiteral("NSArray"));
    const QVariantMap noteClass = classInfo(QStringLiteral("Note"));

    QTest::newRow("not a dictionary") << QVariant(QVariantList{1});
    QVariantMap other = archive({QStringLiteral("x")});
    other.insert(QStringLiteral("$archiver"), QStringLiteral("SomethingElse"));
    QTest::newRow("other archiver") << QVariant(other);
    QVariantMap noNull = archive({QStringLiteral("x")});
    noNull.insert(QStringLiteral("$objects"), QVariantList{QStringLiteral("x")});
    QTest::newRow("objects without $null") << QVariant(noNull);
    QTest::newRow("root missing") << QVariant(archive({QStringLiteral("x")}, QVariant()));
    QTest::newRow("root out of range") << QVariant(archive({QStringLiteral("x")}, uid(9)));
    QTest::newRow("member out of range") << QVariant(archive({array({uid(77)}, 2), arrayClass}));
    QTest::newRow("array holds itself") << QVariant(archive({array({uid(1)}, 2), arrayClass}));
    QTest::newRow("record holds itself")
        << QVariant(archive({QVariantMap{{"child", uid(1)}, {"$class", uid(2)}}, noteClass}));
    QTest::newRow("members not a list") << QVariant(archive(
        {QVariantMap{{"NS.objects", QStringLiteral("no")}, {"$class", uid(2)}}, arrayClass}));
    QTest::newRow("member not a reference")
        << QVariant(archive({array({qint64(1)}, 2), arrayClass}));
    QTest::newRow("class is not a reference")
        << QVariant(archive({QVariantMap{{"$class", QStringLiteral("NSArray")}}}));
    QTest::newRow("class without name")
        << QVariant(archive({array({}, 2), QVariantMap{{"$classes", QVariantList{}}}}));
    QTest::newRow("class reference to $null") << QVariant(archive({array({}, 0)}));
    QTest::newRow("keys and values differ") << QVariant(archive(
        {QVariantMap{
             {"NS.keys", QVariantList{uid(3)}}, {"NS.objects", QVariantList{}}, {"$class", uid(2)}},
         classInfo(QStringLiteral("NSDictionary")), QStringLiteral("k")}));
    QTest::newRow("key not a text")
        << QVariant(archive({QVariantMap{{"NS.keys", QVariantList{uid(3)}},
                                         {"NS.objects", QVariantList{uid(3)}},
                                         {"$class", uid(2)}},
                             classInfo(QStringLiteral("NSDictionary")), QByteArray("k")}));
    QTest::newRow("date without time")
        << QVariant(archive({QVariantMap{{"NS.time", QStringLiteral("now")}, {"$class", uid(2)}},
                             classInfo(QStringLiteral("NSDate"))}));
    QTest::newRow("bare reference in objects") << QVariant(archive({uid(1)}));
    QTest::newRow("bare array in objects") << QVariant(archive({QVariantList{}}));
    // Each array holds the next one twice: 2^40 values from 42 objects, which
    // would hang whoever walks the tree (saving it again, for one).
    QVariantList laughs{arrayClass};
    for (quint64 i = 0; i < 40; ++i)
        laughs.append(array({uid(i + 3), uid(i + 3)}, 1));
    laughs.append(QStringLiteral("lol"));
    QTest::newRow("shared references explode") << QVariant(archive(laughs, uid(2)));
    QVariantList deep{arrayClass};
    for (int i = 0; i < KeyedUnarchiver::MaxDepth + 10; ++i)
        deep.append(array({uid(quint64(i) + 3)}, 1));
    deep.append(QStringLiteral("bottom"));
    QTest::newRow("nested too deeply") << QVariant(archive(deep, uid(2)));
}

void tst_KeyedArchive::malformedArchivesAreErrors()
{
    QFETCH(QVariant, tree);
    QString error;
    QVERIFY(!KeyedUnarchiver::unarchiveTree(tree, &error).isValid());
    QVERIFY2(!error.isEmpty(), "a malformed archive must report an error");
    // The same through bytes, as a file would arrive.
    const QByteArray bytes = PropertyList::write(tree, PropertyList::Format::Binary);
    if (!bytes.isEmpty()) {
        error.clear();
        KeyedUnarchiver::unarchive(bytes, &error);
        QVERIFY(!error.isEmpty());
    }
}

void tst_KeyedArchive::colourForms_data()
{
    QTest::addColumn<QVariantMap>("form");
    QTest::addColumn<QVariant>("expected");
    const auto color = [](double r, double g, double b, double a) {
        return QVariant::fromValue(rv::Color(r, g, b, a));
    };
    QTest::newRow("calibrated, alpha left out")
        << QVariantMap{{"NSColorSpace", qint64(1)}, {"NSRGB", QByteArray("1 0.5 0\0", 8)}}
        << color(1, 0.5, 0, 1);
    QTest::newRow("device with alpha")
        << QVariantMap{{"NSColorSpace", qint64(2)}, {"NSRGB", QByteArray("0 0 1 0.25")}}
        << color(0, 0, 1, 0.25);
    QTest::newRow("calibrated white")
        << QVariantMap{{"NSColorSpace", qint64(3)}, {"NSWhite", QByteArray("0.98\0", 5)}}
        << color(0.98, 0.98, 0.98, 1);
    QTest::newRow("device white with alpha")
        << QVariantMap{{"NSColorSpace", qint64(4)}, {"NSWhite", QByteArray("0 0.5")}}
        << color(0, 0, 0, 0.5);
    QTest::newRow("catalog with fallback")
        << QVariantMap{{"NSColorSpace", qint64(6)},
                       {"NSCatalogName", QStringLiteral("System")},
                       {"NSColor", uid(3)}}
        << color(0.2, 0.4, 0.6, 1);
    QTest::newRow("catalog without fallback")
        << QVariantMap{{"NSColorSpace", qint64(6)}, {"NSColorName", QStringLiteral("controlColor")}}
        << QVariant();
    QTest::newRow("unsupported space")
        << QVariantMap{{"NSColorSpace", qint64(5)}, {"NSCMYK", QByteArray("0 0 0 1")}}
        << QVariant();
    QTest::newRow("garbage components")
        << QVariantMap{{"NSColorSpace", qint64(1)}, {"NSRGB", QByteArray("red green")}}
        << QVariant();
}

void tst_KeyedArchive::colourForms()
{
    QFETCH(QVariantMap, form);
    QFETCH(QVariant, expected);
    const QVariantMap fallback{{"NSColorSpace", qint64(1)}, {"NSRGB", QByteArray("0.2 0.4 0.6")}};
    const QVariant tree = archive(
        {colorObject(form, 2), classInfo(QStringLiteral("NSColor")), colorObject(fallback, 2)});
    QString error;
    QStringList warnings;
    const QVariant color = KeyedUnarchiver::unarchiveTree(tree, &error, &warnings);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(color, expected);
    QCOMPARE(warnings.isEmpty(), expected.isValid());
}

void tst_KeyedArchive::archiverRefusesCyclesAndUnknownValues()
{
    auto note = std::make_shared<Note>();
    note->child = note;
    QString error;
    QVERIFY(
        KeyedArchiver::archivedData(QVariant::fromValue(ArchivableRef(note)), &error).isEmpty());
    QVERIFY(error.contains(QLatin1String("itself")));
    note->child.reset();

    error.clear();
    QVERIFY(KeyedArchiver::archivedData(QVariantList{QVariant(QPoint(1, 1))}, &error).isEmpty());
    QVERIFY(!error.isEmpty());
}

// Read on one thread as plain values, built on another: the same records as a
// whole reading, and a part of the root list reads as that part.
void tst_KeyedArchive::plainRecordsBuildLaterAsTheyWouldAtOnce()
{
    auto first = std::make_shared<Note>();
    first->title = QStringLiteral("first");
    first->created = utc(QStringLiteral("2009-02-13T23:31:30.000Z"));
    first->label = rv::Color(0.25, 0.5, 0.75, 1);
    first->count = 42;
    first->extras = {{QStringLiteral("tags"), QVariantList{"a", "b"}}};
    first->child = std::make_shared<Note>();
    first->child->title = QStringLiteral("inner");
    auto second = std::make_shared<Note>();
    second->title = QStringLiteral("second");
    second->replies = {std::make_shared<Note>()};
    second->replies.first()->title = QStringLiteral("reply");
    const QVariantList roots{QVariant::fromValue(ArchivableRef(first)),
                             QVariant::fromValue(ArchivableRef(second)), QStringLiteral("text")};
    QString error;
    const QVariant tree = KeyedArchiver::archiveTree(QVariant(roots), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QCOMPARE(KeyedUnarchiver::rootListSize(tree), 3);
    const QVariant plain = KeyedUnarchiver::unarchivePlain(tree, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QVariantList list = plain.toList();
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[2], QVariant(QStringLiteral("text")));
    const auto plainFirst = list[0].value<KeyedUnarchiver::PlainRecordRef>();
    QVERIFY(plainFirst);
    QCOMPARE(plainFirst->className, QStringLiteral("Note"));
    auto built = std::dynamic_pointer_cast<Note>(KeyedUnarchiver::buildRecord(plainFirst, &error));
    QVERIFY2(built, qPrintable(error));
    QCOMPARE(built->title, first->title);
    QCOMPARE(built->created, first->created);
    QCOMPARE(built->label, first->label);
    QCOMPARE(built->count, 42);
    QCOMPARE(built->extras, first->extras);
    QVERIFY(built->child);
    QCOMPARE(built->child->title, QStringLiteral("inner"));

    const QVariantList part = KeyedUnarchiver::unarchivePlainElements(tree, 1, 1, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(part.size(), 1);
    auto builtSecond = std::dynamic_pointer_cast<Note>(
        KeyedUnarchiver::buildRecord(part[0].value<KeyedUnarchiver::PlainRecordRef>(), &error));
    QVERIFY(builtSecond);
    QCOMPARE(builtSecond->replies.size(), 1);
    QCOMPARE(builtSecond->replies.first()->title, QStringLiteral("reply"));
    // Out of range, or a root that is no list.
    KeyedUnarchiver::unarchivePlainElements(tree, 2, 5, &error);
    QVERIFY(!error.isEmpty());
    QCOMPARE(KeyedUnarchiver::rootListSize(
                 KeyedArchiver::archiveTree(QVariant::fromValue(ArchivableRef(first)))),
             -1);
    QCOMPARE(KeyedUnarchiver::rootListSize(QVariant(QStringLiteral("no archive"))), -1);
}

QTEST_GUILESS_MAIN(tst_KeyedArchive)
#include "tst_keyedarchive.moc"
