#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "EntryContent.h"
#include "Ping.h"
#include "UserDefaults.h"

#include <QTest>

namespace {

// "c" a category, "t" a tag, "ct" both; an identifier after ":".
CategoryList makeList(const QStringList& rows)
{
    CategoryList list;
    for (const QString& row : rows) {
        const QStringList parts = row.split(QLatin1Char(':'));
        auto category = Category::withTitle(parts.at(0));
        category->setIsCategory(parts.at(1).contains(QLatin1Char('c')));
        category->setIsTag(parts.at(1).contains(QLatin1Char('t')));
        if (parts.size() > 2)
            category->setUniqueID(parts.at(2));
        list.append(category);
    }
    return list;
}

QStringList describe(const CategoryList& list)
{
    QStringList out;
    for (const auto& category : list) {
        QString kinds = QString(category->isCategory() ? "c" : "") + (category->isTag() ? "t" : "");
        out << category->title() + QLatin1Char(':') + kinds +
                   (category->uniqueID().isEmpty() ? QString() : ':' + category->uniqueID());
    }
    return out;
}

} // namespace

class tst_EntryContent : public QObject {
    Q_OBJECT
private slots:
    void clearing_data();
    void clearing();
    void publishRecords();
    void scriptAccessToCategoriesAndTags();
    void trackbacks();
    void automaticExcerpt_data();
    void automaticExcerpt();
};

void tst_EntryContent::clearing_data()
{
    QTest::addColumn<bool>("clearCategories");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("categories") << true << QStringList{"Tag:t", "Both:t"};
    QTest::newRow("tags") << false << QStringList{"Cat:c:1", "Both:c:3"};
}

void tst_EntryContent::clearing()
{
    QFETCH(bool, clearCategories);
    QFETCH(QStringList, after);
    auto entry = Entry::create();
    entry->setCategories(makeList({"Cat:c:1", "Tag:t", "Both:ct:3"}));
    EntryContent content(*entry);
    clearCategories ? content.clearCategories() : content.clearTags();
    QCOMPARE(describe(*entry->categories()), after);
}

void tst_EntryContent::publishRecords()
{
    auto entry = Entry::create();
    entry->setCategories(makeList({"Known & named:c:5", "No id:c", "Fish & chips:t"}));
    entry->categories()->first()->setIsPrimary(true);
    EntryContent content(*entry);

    const QVariantMap primary{{"categoryId", "5"}, {"isPrimary", true}};
    QCOMPARE(content.getMTCats(), QVariantList{primary}); // the one without id is left out

    QVariantList categories;
    QStringList tags;
    content.getCatsAndTags(categories, tags, true);
    QCOMPARE(categories, (QVariantList{primary, QStringLiteral("No id")}));
    QCOMPARE(tags, QStringList{"Fish &amp; chips"});

    categories.clear();
    tags.clear();
    content.getCatsAndTags(categories, tags, false); // names only, XML-encoded
    QCOMPARE(categories,
             (QVariantList{QStringLiteral("Known &amp; named"), QStringLiteral("No id")}));
}

void tst_EntryContent::scriptAccessToCategoriesAndTags()
{
    Blog blog;
    blog.setCategories(makeList({"News:c:1", "Life:c:2", "OnlyTag:t"}));
    auto entry = Entry::create();
    blog.addEntry(entry);
    EntryContent content(*entry);

    // Only the blog's categories are taken, as the same records; unknown names are ignored.
    content.setAsCategories(QStringLiteral(" News ,Unknown,\tOnlyTag, Life"));
    QCOMPARE(content.asCategories(), QStringLiteral("News,Life"));
    QCOMPARE(entry->categories()->first().get(), blog.hasCategoryWithName("News").get());
    QVERIFY(blog.hasCategoryWithName("News")->isChecked());
    content.setAsCategories(QStringLiteral("News")); // no second record of a name
    QCOMPARE(entry->categories()->size(), 2);

    // Tags: the entry's own record, else the blog's, else a new one the blog learns.
    content.setAsTags(QStringLiteral("OnlyTag, fresh"));
    QCOMPARE(content.asTags(), QStringLiteral("OnlyTag,fresh"));
    QVERIFY(blog.hasCategoryWithName("fresh"));
    QVERIFY(blog.hasCategoryWithName("fresh")->isTag());
    const auto chosen = entry->categories(); // a copy: the loop must not outlive it
    for (const auto& category : *chosen) {
        if (category->isTag())
            QVERIFY(category->isChecked());
    }
    blog.removeEntry(entry.get());
}

void tst_EntryContent::trackbacks()
{
    auto entry = Entry::create();
    EntryContent content(*entry);
    QCOMPARE(content.asTrackbacks(), QString(""));
    content.setAsTrackbacks(QStringLiteral("http://a.test/tb,http://b.test/tb"));
    QCOMPARE(content.asTrackbacks(), QStringLiteral("http://a.test/tb,http://b.test/tb"));

    entry->setPingUris(PingList{std::make_shared<Ping>(),
                                Ping::pingWithTitle({}, QStringLiteral("http://c.test/tb")),
                                std::make_shared<Ping>()});
    content.clearEmptyPings();
    QCOMPARE(entry->pingUris().size(), 1);
    QCOMPARE(content.asTrackbacks(), QStringLiteral("http://c.test/tb"));
}

void tst_EntryContent::automaticExcerpt_data()
{
    QTest::addColumn<int>("sentences");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QVariant>("excerpt"); // invalid: none made
    const QString three =
        QStringLiteral("<p>Rain fell on the garden all night.</p><p>Cats dislike rain.</p>"
                       "<p>The garden loved the rain and the rain loved the garden.</p>");
    QTest::newRow("none asked") << 0 << three << QVariant();
    QTest::newRow("empty text") << 2 << QString() << QVariant();
    QTest::newRow("two of three")
        << 2 << three
        << QVariant(QStringLiteral("Rain fell on the garden all night. The garden loved the rain "
                                   "and the rain loved the garden."));
    QTest::newRow("more than there are") << 9 << QStringLiteral("<b>One line only.</b>")
                                         << QVariant(QStringLiteral("One line only."));
}

void tst_EntryContent::automaticExcerpt()
{
    QFETCH(int, sentences);
    QFETCH(QString, body);
    QFETCH(QVariant, excerpt);
    UserDefaults::sharedInstance().setValue(QStringLiteral("summary_num"), sentences);
    auto entry = Entry::create();
    entry->setFormat(QStringLiteral("__none__")); // no formatter: the text as it is
    entry->setBody(body);
    entry->setSummary(QStringLiteral("kept"));
    const auto made = EntryContent(*entry).createExcerpt();
    QCOMPARE(made ? QVariant(*made) : QVariant(), excerpt);
    // Without a blog system that has a summary or extended field, nothing is stored.
    QCOMPARE(entry->summary(), QStringLiteral("kept"));
}

QTEST_GUILESS_MAIN(tst_EntryContent)
#include "tst_entrycontent.moc"
