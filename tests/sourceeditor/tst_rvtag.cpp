#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "PropertyList.h"
#include "RVTag.h"
#include "UserDefaults.h"

#include <QTest>

namespace {

RVTagPtr spanTag()
{
    RVTagPtr tag = RVTag::create();
    tag->setOpenTag(QStringLiteral("span"));
    tag->setCloseTag(true);
    tag->setAttributes(
        RVAttributeList{RVAttribute::create(QStringLiteral("class"), QStringLiteral("note"))});
    tag->setStyle(QStringLiteral("color:red"));
    return tag;
}

RVTagPtr roundTripped(RVTag& tag)
{
    QString error;
    const ArchivableRef borrowed(&tag, [](Archivable*) {});
    const QByteArray bytes =
        KeyedArchiver::archivedData(QVariantList{QVariant::fromValue(borrowed)}, &error);
    if (bytes.isEmpty())
        qFatal("archive failed: %s", qPrintable(error));
    const QVariant root = KeyedUnarchiver::unarchive(bytes, &error);
    const auto tags = KeyedUnarchiver::recordsIn<RVTag>(root, &error);
    if (!tags || tags->size() != 1)
        qFatal("unarchive failed: %s", qPrintable(error));
    return tags->first();
}

} // namespace

class tst_RVTag : public QObject {
    Q_OBJECT
private slots:
    void newTagsCountFromOne();
    void markup_data();
    void markup();
    void defaultsAreStoredOnFirstRead();
    void customModeFollowsTheUserDefault();
    void usable();
    void copyKeepsEveryField();
    void archiveRoundTrip();
    void archiveWritesOnlySetKeys();
    void tagWithoutCloseTagWritesAnEndTag();
    void attributeEditsAreTagChanges();
};

// Runs first: no tag has been made in this process yet.
void tst_RVTag::newTagsCountFromOne()
{
    const RVTagPtr first = RVTag::create();
    const RVTagPtr second = RVTag::create();
    QCOMPARE(first->title(), QStringLiteral("Untitled 1"));
    QCOMPARE(second->title(), QStringLiteral("Untitled 2"));
    const RVTagPtr copy = second->copy();
    QCOMPARE(copy->title(), QStringLiteral("Untitled 2"));
    QCOMPARE(RVTag::create()->title(), QStringLiteral("Untitled 4"));
    QCOMPARE(first->contents(), QStringLiteral("%*"));
    QCOMPARE(first->icon(), QString(QChar(0x2756)));
    QCOMPARE(first->uniqueID().size(), 32);
    QVERIFY(first->uniqueID() != second->uniqueID());
}

void tst_RVTag::markup_data()
{
    QTest::addColumn<RVTagPtr>("tag");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("markup");

    QTest::newRow("element with attribute and style")
        << spanTag() << "hello"
        << ""
        << "<span class=\"note\" style=\"color:red\">hello</span>";
    RVTagPtr empty = spanTag();
    empty->setCloseTag(false);
    QTest::newRow("empty element ignores contents") << empty << "hello"
                                                    << ""
                                                    << "<span class=\"note\" style=\"color:red\"/>";
    RVTagPtr custom = RVTag::create();
    custom->setCustom(true);
    custom->setCustomOpen(QStringLiteral("[b]"));
    custom->setContents(QString());
    custom->setCustomClose(QStringLiteral("[/b]"));
    QTest::newRow("custom without contents") << custom << "x"
                                             << ""
                                             << "[b][/b]";
    RVTagPtr both = RVTag::create();
    both->setCustom(true);
    both->setCustomOpen(QString());
    both->setContents(QStringLiteral("%@ %*"));
    QTest::newRow("clipboard then selection") << both << "x"
                                              << "%*"
                                              << "x x";
    RVTagPtr incomplete = RVTag::create();
    incomplete->setOpenTag(QStringLiteral("a"));
    incomplete->setAttributes(
        RVAttributeList{RVAttribute::create(QStringLiteral("href"), QStringLiteral("%@")),
                        RVAttribute::create(QStringLiteral("title"), QString()),
                        RVAttribute::create(QString(), QStringLiteral("orphan"))});
    QTest::newRow("attributes missing a part are left out")
        << incomplete << "site"
        << "http://example.com/"
        << "<a href=\"http://example.com/\">site</a>";
    RVTagPtr noContents = RVTag::create();
    noContents->setOpenTag(QStringLiteral("hr"));
    noContents->setContents(QString());
    QTest::newRow("unset contents") << noContents << "x"
                                    << ""
                                    << "<hr></hr>";
    // Inside attribute values the clipboard and the selection are escaped,
    // in the contents they stay as they are.
    RVTagPtr link = RVTag::create();
    link->setOpenTag(QStringLiteral("a"));
    link->setAttributes(
        RVAttributeList{RVAttribute::create(QStringLiteral("href"), QStringLiteral("%@")),
                        RVAttribute::create(QStringLiteral("title"), QStringLiteral("on %*"))});
    link->setStyle(QStringLiteral("font-family:%*"));
    QTest::newRow("attribute values escaped")
        << link << "say \"hi\" & <b>"
        << "http://example.com/?a=1&b=\"2\""
        << "<a href=\"http://example.com/?a=1&amp;b=&quot;2&quot;\" title=\"on say &quot;hi&quot; "
           "&amp; &lt;b>\" style=\"font-family:say &quot;hi&quot; &amp; &lt;b>\">say \"hi\" & "
           "<b></a>";
    QTest::newRow("character references not doubled")
        << link << "Tom &amp; Jerry &#233;&#xE9;"
        << "&lt;"
        << "<a href=\"&lt;\" title=\"on Tom &amp; Jerry &#233;&#xE9;\" style=\"font-family:Tom "
           "&amp; Jerry &#233;&#xE9;\">Tom &amp; Jerry &#233;&#xE9;</a>";
    RVTagPtr image = RVTag::create();
    image->setOpenTag(QStringLiteral("img"));
    image->setCloseTag(false);
    image->setAttributes(
        RVAttributeList{RVAttribute::create(QStringLiteral("src"), QStringLiteral("%@")),
                        RVAttribute::create(QStringLiteral("alt"), QStringLiteral("%*"))});
    QTest::newRow("clipboard holding the selection mark")
        << image << "a\"b"
        << "x%*"
        << "<img src=\"xa&quot;b\" alt=\"a&quot;b\"/>";
}

void tst_RVTag::markup()
{
    QFETCH(RVTagPtr, tag);
    QFETCH(QString, selection);
    QFETCH(QString, clipboard);
    QFETCH(QString, markup);
    QCOMPARE(tag->markupString(selection, clipboard), markup);
}

void tst_RVTag::defaultsAreStoredOnFirstRead()
{
    RVTag bare;
    QVERIFY(!bare.storedCloseTag());
    QVERIFY(!bare.storedAttributes());
    QVERIFY(bare.closeTag());
    QCOMPARE(bare.storedCloseTag(), std::optional<bool>(true));
    QVERIFY(bare.attributes().isEmpty());
    QVERIFY(bare.storedAttributes());
}

void tst_RVTag::customModeFollowsTheUserDefault()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("custom_tag_mode"), 1);
    RVTag followsMode;
    QVERIFY(followsMode.custom());
    UserDefaults::sharedInstance().setValue(QStringLiteral("custom_tag_mode"), 0);
    QVERIFY(followsMode.custom()); // stored on first read
    RVTag standard;
    QVERIFY(!standard.custom());
    UserDefaults::sharedInstance().remove(QStringLiteral("custom_tag_mode"));
}

void tst_RVTag::usable()
{
    RVTagPtr tag = RVTag::create();
    QVERIFY(!tag->isUsable());
    tag->setOpenTag(QStringLiteral("em"));
    QVERIFY(tag->isUsable());
    // An empty element ("<hr/>") is a tag too.
    tag->setCloseTag(false);
    QVERIFY(tag->isUsable());
    tag->setCustom(true);
    QVERIFY(!tag->isUsable());
    tag->setCustomOpen(QStringLiteral("**"));
    QVERIFY(tag->isUsable());
}

void tst_RVTag::copyKeepsEveryField()
{
    RVTagPtr tag = spanTag();
    tag->setShortcut(QString(QChar(0x2318)) + QStringLiteral("B"));
    tag->setIcon(QStringLiteral("B"));
    tag->setCustomOpen(QStringLiteral("<<"));
    tag->setCustomClose(QStringLiteral(">>"));
    tag->setCustom(false);
    tag->setTitle(QStringLiteral("Note"));
    const RVTagPtr copy = tag->copy();
    QCOMPARE(copy->uniqueID(), tag->uniqueID());
    QCOMPARE(copy->title(), QStringLiteral("Note"));
    QCOMPARE(copy->markupString(QStringLiteral("s"), QString()),
             tag->markupString(QStringLiteral("s"), QString()));
    QCOMPARE(copy->shortcut(), tag->shortcut());
    QCOMPARE(copy->customOpen(), QStringLiteral("<<"));
    QCOMPARE(copy->storedCustom(), std::optional<bool>(false));
    // A new list of the same attribute objects.
    QCOMPARE(copy->attributes().first().get(), tag->attributes().first().get());
    copy->setAttributes(RVAttributeList{});
    QCOMPARE(tag->attributes().size(), 1);
}

void tst_RVTag::archiveRoundTrip()
{
    RVTagPtr tag = spanTag();
    tag->setTitle(QStringLiteral("Note"));
    tag->setShortcut(QString(QChar(0x2318)) + QStringLiteral("N"));
    tag->setCustom(false);
    const RVTagPtr read = roundTripped(*tag);
    QCOMPARE(read->uniqueID(), tag->uniqueID());
    QCOMPARE(read->title(), QStringLiteral("Note"));
    QCOMPARE(read->shortcut(), tag->shortcut());
    QCOMPARE(read->icon(), tag->icon());
    QCOMPARE(read->contents(), QStringLiteral("%*"));
    QCOMPARE(read->storedCustom(), std::optional<bool>(false));
    QCOMPARE(read->attributes().size(), 1);
    QCOMPARE(read->attributes().first()->tagAttribute(), QStringLiteral("class"));
    QCOMPARE(read->attributes().first()->tagValue(), QStringLiteral("note"));
    QCOMPARE(read->markupString(QStringLiteral("x"), QString()),
             tag->markupString(QStringLiteral("x"), QString()));
}

void tst_RVTag::archiveWritesOnlySetKeys()
{
    RVTag bare;
    bare.setUniqueID(QStringLiteral("abc"));
    bare.setOpenTag(QStringLiteral("q"));
    const ArchivableRef borrowed(&bare, [](Archivable*) {});
    const QVariant tree = KeyedArchiver::archiveTree(QVariant::fromValue(borrowed));
    const QVariantList objects = tree.toMap().value(QStringLiteral("$objects")).toList();
    QStringList keys;
    QStringList classes;
    for (const QVariant& object : objects) {
        const QVariantMap map = object.toMap();
        if (map.contains(QStringLiteral("openTag")))
            keys = map.keys();
        if (map.contains(QStringLiteral("$classes")))
            classes = map.value(QStringLiteral("$classes")).toStringList();
    }
    keys.removeAll(QStringLiteral("$class"));
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("openTag"), QStringLiteral("uniqueID")}));
    QCOMPARE(classes, (QStringList{QStringLiteral("RVTag"), QStringLiteral("Genetic"),
                                   QStringLiteral("NSObject")}));
}

void tst_RVTag::tagWithoutCloseTagWritesAnEndTag()
{
    RVTag bare;
    bare.setOpenTag(QStringLiteral("b"));
    const RVTagPtr read = roundTripped(bare);
    QVERIFY(!read->storedCloseTag());
    QVERIFY(!read->uniqueID().isEmpty()); // none stored: a new one
    QCOMPARE(read->markupString(QStringLiteral("x"), QString()), QStringLiteral("<b></b>"));
    read->setContents(QStringLiteral("%*"));
    QCOMPARE(read->markupString(QStringLiteral("x"), QString()), QStringLiteral("<b>x</b>"));
}

void tst_RVTag::attributeEditsAreTagChanges()
{
    RVTagPtr tag = spanTag();
    QStringList keys;
    connect(tag.get(), &ModelRecord::valueChanged, this,
            [&keys](const QString& key) { keys.append(key); });
    tag->attributes().first()->setTagValue(QStringLiteral("aside"));
    QCOMPARE(keys, QStringList{QStringLiteral("attributes")});
}

QTEST_GUILESS_MAIN(tst_RVTag)
#include "tst_rvtag.moc"
