#include "Account.h"
#include "Blog.h"
#include "Category.h"
#include "DraftItemDrop.h"
#include "Entry.h"
#include "EntryArrayController.h"
#include "EntryListModel.h"
#include "NotificationCenter.h"
#include "StringExtensions.h"
#include "UserDefaults.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

// The entries table's arrangement: the category filter, the search modes,
// the order, the row colours and the drag, over a blog whose entries are
// made for the cases.
class tst_EntryArrayController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void categoryFilter_data();
    void categoryFilter();
    void search_data();
    void search();
    void typingNarrowsAndDeletingWidens();
    void storedSearchType_data();
    void storedSearchType();
    void sorting_data();
    void sorting();
    void headerClickPutsItsKeyFirst();
    void selectionSurvivesFilteringAndNewEntries();
    void rowColoursFromFlags_data();
    void rowColoursFromFlags();
    void dragCarriesPayloadAddressAndTitle();
    void rowsOutsideAndCounts();

private:
    EntryPtr add(const QString& title, const QString& body = {}, const QStringList& categories = {},
                 const QStringList& tags = {});
    QStringList arrangedTitles() const;

    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::shared_ptr<Account> m_account;
    std::shared_ptr<Blog> m_blog;
    std::unique_ptr<EntryListModel> m_entries;
    std::unique_ptr<EntryArrayController> m_arranged;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

EntryPtr tst_EntryArrayController::add(const QString& title, const QString& body,
                                       const QStringList& categories, const QStringList& tags)
{
    EntryPtr entry = Entry::create();
    entry->setTitle(title);
    entry->setBody(body);
    CategoryList list;
    for (const QString& name : categories) {
        CategoryPtr category = Category::withTitle(name);
        category->setIsCategory(true);
        category->setIsTag(false);
        list.append(category);
    }
    for (const QString& name : tags) {
        CategoryPtr tag = Category::withTitle(name);
        tag->setIsTag(true);
        tag->setIsCategory(false);
        list.append(tag);
    }
    if (!list.isEmpty())
        entry->setCategories(list);
    m_blog->addEntry(entry);
    return entry;
}

QStringList tst_EntryArrayController::arrangedTitles() const
{
    QStringList titles;
    for (int row = 0; row < m_arranged->rowCount(); ++row)
        titles << m_arranged->itemAtRow(row)->title();
    return titles;
}

void tst_EntryArrayController::init()
{
    static int n = 0;
    m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("%1.conf").arg(++n)));
    m_account = Account::create();
    m_blog = std::make_shared<Blog>();
    m_blog->setUniqueID(QStringLiteral("7"));
    m_account->addBlog(m_blog);
    m_entries = std::make_unique<EntryListModel>();
    m_entries->setBlogs({m_blog.get()});
    m_arranged = std::make_unique<EntryArrayController>(m_entries.get(), nullptr, m_defaults.get());
    // By title, so that the tables below read in order.
    m_arranged->setSortDescriptors({{QStringLiteral("title"), true}});
    m_tester = std::make_unique<QAbstractItemModelTester>(
        m_arranged.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);

    add(QStringLiteral("Bread"), QStringLiteral("<p>Sourdough starter notes</p>"),
        {QStringLiteral("Kitchen")}, {QStringLiteral("baking")});
    EntryPtr garden = add(QStringLiteral("Garden"), QStringLiteral("<p>Tomatoes and beans</p>"),
                          {QStringLiteral("Outside"), QStringLiteral("Kitchen")});
    garden->setKeywords(QStringLiteral("vegetables, summer"));
    EntryPtr river = add(QStringLiteral("River walk"), QStringLiteral("<p>Herons</p>"));
    river->setExtended(QStringLiteral("The BRIDGE at dusk"));
    river->setSummary(QStringLiteral("A short walk"));
    add(QStringLiteral("kitchen sink"), QStringLiteral("<p>plumbing</p>"),
        {QStringLiteral("kitchen")});
}

void tst_EntryArrayController::cleanup()
{
    m_tester.reset();
    m_arranged.reset();
    m_entries.reset();
    m_blog.reset();
    m_account.reset();
}

void tst_EntryArrayController::categoryFilter_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("none") << QString()
                          << QStringList{"Bread", "Garden", "kitchen sink", "River walk"};
    // Exactly that title: letter case counts, entries without categories go.
    QTest::newRow("exact") << "Kitchen" << QStringList{"Bread", "Garden"};
    QTest::newRow("other case") << "kitchen" << QStringList{"kitchen sink"};
    QTest::newRow("second category") << "Outside" << QStringList{"Garden"};
    QTest::newRow("a tag") << "baking" << QStringList{"Bread"};
    QTest::newRow("unknown") << "Nowhere" << QStringList{};
}

void tst_EntryArrayController::categoryFilter()
{
    QFETCH(QString, category);
    QFETCH(QStringList, titles);
    m_arranged->setCategoryFilter(category);
    QCOMPARE(arrangedTitles(), titles);
}

void tst_EntryArrayController::search_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("titles");
    const int all = EntryArrayController::SearchAll;
    const int title = EntryArrayController::SearchTitle;
    const int contents = EntryArrayController::SearchContents;
    const int tags = EntryArrayController::SearchTags;
    QTest::newRow("empty shows all")
        << all << "" << QStringList{"Bread", "Garden", "kitchen sink", "River walk"};
    // Capitals find the word in lower case inside a longer one.
    QTest::newRow("capitals in a word") << all << "DOUGH" << QStringList{"Bread"};
    QTest::newRow("all: title") << all << "walk" << QStringList{"River walk"};
    QTest::newRow("all: extended") << all << "bridge" << QStringList{"River walk"};
    QTest::newRow("all: keywords") << all << "summer" << QStringList{"Garden"};
    QTest::newRow("all: markup is text")
        << all << "<p>" << QStringList{"Bread", "Garden", "kitchen sink", "River walk"};
    // The title mode never looks at the body.
    QTest::newRow("title: body only") << title << "herons" << QStringList{};
    QTest::newRow("title") << title << "KITCHEN" << QStringList{"kitchen sink"};
    QTest::newRow("contents: title only") << contents << "garden" << QStringList{};
    QTest::newRow("contents: summary") << contents << "short" << QStringList{"River walk"};
    QTest::newRow("contents: body") << contents << "plumb" << QStringList{"kitchen sink"};
    QTest::newRow("tags: a tag") << tags << "bak" << QStringList{"Bread"};
    QTest::newRow("tags: keywords") << tags << "vegetables" << QStringList{"Garden"};
    QTest::newRow("tags: not the body") << tags << "sourdough" << QStringList{};
    QTest::newRow("tags: not the categories") << tags << "outside" << QStringList{};
}

void tst_EntryArrayController::search()
{
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(QStringList, titles);
    m_arranged->setSearchMode(mode);
    m_arranged->setSearchString(text);
    QCOMPARE(arrangedTitles(), titles);
    // The category filter applies first.
    m_arranged->setCategoryFilter(QStringLiteral("Kitchen"));
    QStringList both;
    for (const QString& t : titles) {
        if (t == QLatin1String("Bread") || t == QLatin1String("Garden"))
            both << t;
    }
    QCOMPARE(arrangedTitles(), both);
}

void tst_EntryArrayController::typingNarrowsAndDeletingWidens()
{
    for (int i = 0; i < 40; ++i)
        add(QStringLiteral("Note %1").arg(i), QStringLiteral("body %1 of the notes").arg(i * 7));
    const auto expected = [this](const QString& text) {
        QStringList titles;
        for (const EntryPtr& entry : m_blog->entries()) {
            const QString needle = text.toLower();
            if (entry->title().toLower().contains(needle) ||
                entry->body().toLower().contains(needle) ||
                entry->extended().toLower().contains(needle) ||
                entry->summary().toLower().contains(needle) ||
                entry->keywords().toLower().contains(needle))
                titles << entry->title();
        }
        titles.sort(Qt::CaseInsensitive);
        return titles;
    };
    const auto sorted = [this] {
        QStringList titles = arrangedTitles();
        titles.sort(Qt::CaseInsensitive);
        return titles;
    };
    for (const char* typed : {"b", "bo", "bod", "body", "body 1", "body 14", "body 1", "bo", "",
                              "no", "note 3", "ote 3", "e 3", "x"}) {
        m_arranged->setSearchString(QString::fromLatin1(typed));
        QCOMPARE(sorted(), expected(QString::fromLatin1(typed)));
    }
    // An entry changed while a search is on is tested again.
    m_arranged->setSearchString(QStringLiteral("herons"));
    QCOMPARE(arrangedTitles(), QStringList{"River walk"});
    m_blog->entries().first()->setBody(QStringLiteral("Two herons"));
    QCOMPARE(arrangedTitles(), (QStringList{"Bread", "River walk"}));
}

void tst_EntryArrayController::storedSearchType_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("mode");
    QTest::newRow("none") << QVariant() << int(EntryArrayController::SearchAll);
    QTest::newRow("0") << QVariant(0) << int(EntryArrayController::SearchAll);
    QTest::newRow("6899") << QVariant(6899) << int(EntryArrayController::SearchAll);
    QTest::newRow("6903") << QVariant(6903) << int(EntryArrayController::SearchContents);
    QTest::newRow("6904 as text") << QVariant(QStringLiteral("6904"))
                                  << int(EntryArrayController::SearchTags);
    QTest::newRow("7000") << QVariant(7000) << int(EntryArrayController::SearchAll);
}

void tst_EntryArrayController::storedSearchType()
{
    QFETCH(QVariant, stored);
    QFETCH(int, mode);
    if (stored.isValid())
        m_defaults->setValue(QStringLiteral("searchType"), stored);
    EntryArrayController arranged(m_entries.get(), nullptr, m_defaults.get());
    QCOMPARE(arranged.searchMode(), mode);
    arranged.setSearchMode(EntryArrayController::SearchTitle);
    QCOMPARE(m_defaults->integer(QStringLiteral("searchType")), 6902);
}

void tst_EntryArrayController::sorting_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("order");
    // Numbers by value, letter case ignored.
    QTest::newRow("titles") << "title" << true
                            << QStringList{"Post 10", "post 9", "Post 1", "apple", "Zebra"}
                            << QStringList{"apple", "Post 1", "post 9", "Post 10", "Zebra"};
    QTest::newRow("titles descending")
        << "title" << false << QStringList{"b", "A", "c"} << QStringList{"c", "b", "A"};
    QTest::newRow("identifiers") << "uniqueID" << true << QStringList{"100", "20", "3", "ab"}
                                 << QStringList{"3", "20", "100", "ab"};
    QTest::newRow("dates descending")
        << "entryDate" << false << QStringList{"2020-01-02", "2021-05-01", "2019-12-31"}
        << QStringList{"2021-05-01", "2020-01-02", "2019-12-31"};
}

void tst_EntryArrayController::sorting()
{
    QFETCH(QString, key);
    QFETCH(bool, ascending);
    QFETCH(QStringList, values);
    QFETCH(QStringList, order);
    m_blog->setEntries({});
    for (const QString& value : values) {
        EntryPtr entry = Entry::create();
        entry->setTitle(value);
        if (key == QLatin1String("uniqueID"))
            entry->setUniqueID(value);
        if (key == QLatin1String("entryDate"))
            entry->setEntryDate(QDateTime(QDate::fromString(value, Qt::ISODate), QTime(12, 0)));
        m_blog->addEntry(entry);
    }
    m_arranged->setSortDescriptors({{key, ascending}});
    QCOMPARE(arrangedTitles(), order);
    // An entry that changes moves to its place.
    m_arranged->itemAtRow(0)->setTitle(QStringLiteral("zzz"));
    if (key == QLatin1String("title"))
        QCOMPARE(arrangedTitles().indexOf(QStringLiteral("zzz")), ascending ? order.size() - 1 : 0);
}

void tst_EntryArrayController::headerClickPutsItsKeyFirst()
{
    m_arranged->setSortDescriptors(EntrySorting::defaults());
    m_arranged->sort(EntryListModel::TitleColumn, Qt::DescendingOrder);
    const auto descriptors = m_arranged->sortDescriptors();
    QCOMPARE(descriptors.size(), 3);
    QCOMPARE(descriptors.first(), (EntrySorting::Descriptor{QStringLiteral("title"), false}));
    QCOMPARE(descriptors.at(1).key, QStringLiteral("entryDate"));
    QCOMPARE(m_arranged->sortColumn(), int(EntryListModel::TitleColumn));
    QCOMPARE(m_arranged->sortOrder(), Qt::DescendingOrder);
    QCOMPARE(arrangedTitles(), (QStringList{"River walk", "kitchen sink", "Garden", "Bread"}));
}

void tst_EntryArrayController::selectionSurvivesFilteringAndNewEntries()
{
    QItemSelectionModel selection(m_arranged.get());
    const int garden = arrangedTitles().indexOf(QStringLiteral("Garden"));
    selection.select(m_arranged->index(garden, 0),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const auto selectedTitles = [&] {
        QStringList titles;
        for (const QModelIndex& row : selection.selectedRows())
            titles << m_arranged->itemAtRow(row.row())->title();
        return titles;
    };
    add(QStringLiteral("Apple"));    // lands before it
    add(QStringLiteral("Zucchini")); // after it
    m_blog->removeEntry(m_arranged->itemAtRow(arrangedTitles().indexOf(QStringLiteral("Bread"))));
    m_arranged->setSearchString(QStringLiteral("a"));
    QCOMPARE(selectedTitles(), QStringList{"Garden"});
    m_arranged->setSearchString(QStringLiteral("zucchini"));
    QVERIFY(selectedTitles().isEmpty());
}

void tst_EntryArrayController::rowColoursFromFlags_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<QString>("background");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
    QTest::newRow("local") << 1 << "local_color"
                           << "" << false;
    QTest::newRow("local draft") << 3 << "local_color"
                                 << "" << false;
    QTest::newRow("draft on server") << 2 << "draft_color"
                                     << "" << false;
    QTest::newRow("published") << 0 << "published_color"
                               << "" << false;
    QTest::newRow("edited") << 4 << "published_color"
                            << "edited_color" << false;
    QTest::newRow("edited and deleted") << 12 << "published_color"
                                        << "edited_color" << false;
    QTest::newRow("being deleted") << 8 << "published_color"
                                   << "deleted_color" << false;
    // A page is bold whatever its colours.
    QTest::newRow("local page") << 17 << "local_color"
                                << "" << true;
    QTest::newRow("deleted page") << 24 << "published_color"
                                  << "deleted_color" << true;
}

void tst_EntryArrayController::rowColoursFromFlags()
{
    QFETCH(int, flag);
    QFETCH(QString, background);
    QFETCH(QString, text);
    QFETCH(bool, bold);
    const QMap<QString, QColor> colors{
        {"local_color", QColor(10, 200, 20, 51)},     {"draft_color", QColor(30, 40, 250, 51)},
        {"published_color", QColor(255, 255, 255)},   {"edited_color", QColor(150, 0, 0)},
        {"deleted_color", QColor(255, 110, 120, 51)},
    };
    for (auto it = colors.cbegin(); it != colors.cend(); ++it)
        m_defaults->setColor(it.key(), rv::Color::fromQColor(it.value()));
    NotificationCenter::sharedInstance().post(QStringLiteral("labelChanged"));
    Entry* entry = m_arranged->itemAtRow(0);
    entry->setFlag(flag);
    const QModelIndex index = m_arranged->index(0, EntryListModel::DateColumn);
    QCOMPARE(index.data(Qt::BackgroundRole).value<QColor>().rgba(), colors[background].rgba());
    QColor expected = text.isEmpty() ? QColor(Qt::black) : colors[text];
    // Text is always drawn opaque.
    expected.setAlpha(255);
    QCOMPARE(index.data(Qt::ForegroundRole).value<QColor>().rgba(), expected.rgba());
    QCOMPARE(index.data(Qt::FontRole).value<QFont>().bold(), bold);
}

void tst_EntryArrayController::dragCarriesPayloadAddressAndTitle()
{
    const QModelIndexList rows{m_arranged->index(2, 0), m_arranged->index(0, 1),
                               m_arranged->index(0, 0)};
    std::unique_ptr<QMimeData> data(m_arranged->mimeData(rows));
    QVERIFY(data);
    QVERIFY(m_arranged->mimeTypes().contains(QString::fromLatin1(DraftItemDrop::mimeType)));
    const auto items =
        DraftItemDrop::read(data->data(QString::fromLatin1(DraftItemDrop::mimeType)));
    QVERIFY(items);
    QCOMPARE(items->accountID, m_account->accountID());
    // One blog key, its entries in row order.
    QCOMPARE(items->blogs.size(), 1);
    QCOMPARE(items->blogs.first().first, QStringLiteral("7"));
    QCOMPARE(items->blogs.first().second, (QStringList{m_arranged->itemAtRow(0)->uniqueID(),
                                                       m_arranged->itemAtRow(2)->uniqueID()}));
    Entry* first = m_arranged->itemAtRow(0);
    QCOMPARE(data->urls(),
             QList<QUrl>{QUrl(QStringLiteral("x-blogpost://%1@%2")
                                  .arg(rv::MD5(first->uniqueID()), m_account->accountID()))});
    QCOMPARE(data->text(), first->title());
}

void tst_EntryArrayController::rowsOutsideAndCounts()
{
    QVERIFY(!m_arranged->itemAtRow(-1));
    QVERIFY(!m_arranged->itemAtRow(m_arranged->rowCount()));
    QCOMPARE(m_arranged->entryCountString(), QStringLiteral(" items"));
    m_arranged->setSearchString(QStringLiteral("herons"));
    QCOMPARE(m_arranged->entryCountString(), QStringLiteral(" item"));
    Entry* river = m_arranged->itemAtRow(0);
    QCOMPARE(m_arranged->rowOfEntry(river), 0);
    m_arranged->setSearchString(QStringLiteral("nothing at all"));
    QCOMPARE(m_arranged->rowOfEntry(river), -1);
    QCOMPARE(m_arranged->entryCountString(), QStringLiteral(" items"));
}

QTEST_MAIN(tst_EntryArrayController)
#include "tst_entryarraycontroller.moc"
