#include "Benchmark.h"
#include "Category.h"
#include "CategoryListModel.h"
#include "CatsControllerDelegate.h"
#include "RVCatsController.h"
#include "RVTableView.h"
#include "UserDefaults.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>
#include <algorithm>

using namespace plumet::test;

namespace {

class BlogWithCategories : public CatsControllerDelegate {
public:
    bool hasCategories() const override { return true; }
    bool supportsPrimaryCategory() const override { return true; }
    Blog* categoriesBlog() const override { return nullptr; }
    void pushNewTags(const CategoryList&) override {}
    void pushOldTags(const CategoryList&) override {}
};

// Titles as blogs have them: words sharing beginnings, capitals here and
// there, accents, a few in capitals throughout.
QStringList makeTitles(int count, QRandomGenerator& random, QSet<QString>& seen)
{
    static const QStringList syllables{
        "tra", "vel", "ri", "ver", "bro", "ot", "gar", "den", "éco", "ñu",  "über", "lu",
        "mi",  "na",  "so", "kra", "ka",  "ze", "pho", "to",  "été", "ça",  "ørn",  "ál",
        "st",  "ma",  "re", "al",  "on",  "in", "wal", "ks",  "pic", "nic", "ba",   "ke"};
    QStringList titles;
    while (titles.size() < count) {
        QString title;
        const int parts = 2 + random.bounded(3);
        for (int p = 0; p < parts; ++p)
            title += syllables[random.bounded(int(syllables.size()))];
        if (random.bounded(3) == 0)
            title += QLatin1Char(' ') + syllables[random.bounded(int(syllables.size()))];
        switch (random.bounded(6)) {
        case 0:
        case 1:
            title[0] = title[0].toUpper();
            break;
        case 2:
            title = title.toUpper();
            break;
        default:
            break;
        }
        if (seen.contains(title.toCaseFolded()))
            title += QStringLiteral(" %1").arg(titles.size());
        seen.insert(title.toCaseFolded());
        titles.append(title);
    }
    return titles;
}

// 200 keys: the first five letters of twenty listed titles, each typed and erased.
QStringList makeKeys(const QStringList& titles, QRandomGenerator& random)
{
    QStringList keys;
    while (keys.size() < 200) {
        const QString title = titles[random.bounded(int(titles.size()))];
        if (title.size() < 5)
            continue;
        const QString word = title.left(5).toLower();
        for (const QChar c : word)
            keys.append(QString(c));
        for (int i = 0; i < word.size(); ++i)
            keys.append(QString());
    }
    return keys;
}

} // namespace

class bench_CategoriesFilter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void typingIntoTwelveThousand();

private:
    std::vector<double> oursRound();
    std::vector<double> anchorRound();

    // Rows shown after each key of the last round, to see both did the same work.
    std::vector<int> m_oursShown;
    std::vector<int> m_anchorShown;

    BlogWithCategories m_blog;
    QStringList m_titles;
    QStringList m_keys;
    std::unique_ptr<QWidget> m_oursWindow;
    RVCatsController* m_ours = nullptr;
    std::unique_ptr<QWidget> m_anchorWindow;
    QLineEdit* m_anchorField = nullptr;
    QTableView* m_anchorTable = nullptr;
    QStandardItemModel* m_anchorRows = nullptr;
    QSortFilterProxyModel* m_anchorFilter = nullptr;
};

void bench_CategoriesFilter::initTestCase()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("catSearchType"), 6901);
    QRandomGenerator random(38);
    QSet<QString> seen;
    const QStringList categories = makeTitles(2000, random, seen);
    const QStringList tags = makeTitles(10000, random, seen);
    m_titles = categories + tags;
    m_keys = makeKeys(m_titles, random);

    CategoryList content;
    content.reserve(m_titles.size());
    for (int i = 0; i < m_titles.size(); ++i) {
        CategoryPtr c = Category::withTitle(m_titles[i]);
        c->setIsCategory(i < categories.size());
        c->setIsTag(i >= categories.size());
        c->setIsChecked(i % 17 == 0);
        c->setIsPrimary(false);
        content.append(c);
    }
    m_oursWindow = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_oursWindow.get());
    m_ours = new RVCatsController(&m_blog, m_oursWindow.get());
    layout->addWidget(m_ours->view());
    m_ours->setContent(content);
    m_oursWindow->resize(320, 520);
    m_oursWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_oursWindow.get()));
    QCOMPARE(m_ours->model()->rowCount(), 12000);

    // The well-known way: a standard model of the same rows, a proxy
    // filtering by an anchored case-blind expression and sorting as it goes.
    m_anchorWindow = std::make_unique<QWidget>();
    auto* anchorLayout = new QVBoxLayout(m_anchorWindow.get());
    m_anchorField = new QLineEdit(m_anchorWindow.get());
    m_anchorTable = new QTableView(m_anchorWindow.get());
    anchorLayout->addWidget(m_anchorField);
    anchorLayout->addWidget(m_anchorTable);
    m_anchorRows = new QStandardItemModel(0, 2, m_anchorWindow.get());
    for (int i = 0; i < m_titles.size(); ++i) {
        auto* check = new QStandardItem;
        check->setCheckable(true);
        check->setCheckState(i % 17 == 0 ? Qt::Checked : Qt::Unchecked);
        m_anchorRows->appendRow({check, new QStandardItem(m_titles[i])});
    }
    m_anchorFilter = new QSortFilterProxyModel(m_anchorWindow.get());
    m_anchorFilter->setSourceModel(m_anchorRows);
    m_anchorFilter->setFilterKeyColumn(1);
    m_anchorFilter->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_anchorFilter->setDynamicSortFilter(true);
    m_anchorFilter->sort(1, Qt::AscendingOrder);
    m_anchorTable->setModel(m_anchorFilter);
    m_anchorTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_anchorTable->setShowGrid(false);
    m_anchorTable->verticalHeader()->hide();
    m_anchorTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_anchorTable->verticalHeader()->setMinimumSectionSize(1);
    m_anchorTable->verticalHeader()->setDefaultSectionSize(
        m_ours->tableView()->verticalHeader()->defaultSectionSize());
    m_anchorTable->setFont(m_ours->tableView()->font());
    m_anchorTable->horizontalHeader()->resizeSection(0, 22);
    m_anchorTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_anchorWindow->resize(320, 520);
    m_anchorWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_anchorWindow.get()));
}

std::vector<double> bench_CategoriesFilter::oursRound()
{
    std::vector<double> times;
    m_oursShown.clear();
    QLineEdit* field = m_ours->searchField();
    field->setFocus();
    QElapsedTimer timer;
    for (const QString& key : m_keys) {
        timer.start();
        // As the keyboard edits: the list filters, selects and redraws.
        if (key.isEmpty())
            field->backspace();
        else
            field->insert(key);
        m_ours->tableView()->viewport()->repaint();
        times.push_back(timer.nsecsElapsed() / 1e6);
        m_oursShown.push_back(m_ours->model()->rowCount());
    }
    field->clear();
    m_ours->setSearchString(QString());
    return times;
}

std::vector<double> bench_CategoriesFilter::anchorRound()
{
    std::vector<double> times;
    m_anchorShown.clear();
    QElapsedTimer timer;
    for (const QString& key : m_keys) {
        timer.start();
        if (key.isEmpty())
            m_anchorField->backspace();
        else
            m_anchorField->insert(key);
        m_anchorFilter->setFilterRegularExpression(
            QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(m_anchorField->text()),
                               QRegularExpression::CaseInsensitiveOption));
        if (m_anchorFilter->rowCount() > 0) {
            QItemSelectionModel* selection = m_anchorTable->selectionModel();
            selection->setCurrentIndex(m_anchorFilter->index(0, 1), QItemSelectionModel::NoUpdate);
            selection->select(
                QItemSelection(m_anchorFilter->index(0, 0), m_anchorFilter->index(0, 1)),
                QItemSelectionModel::ClearAndSelect);
        }
        m_anchorTable->viewport()->repaint();
        times.push_back(timer.nsecsElapsed() / 1e6);
        m_anchorShown.push_back(m_anchorFilter->rowCount());
    }
    m_anchorField->clear();
    m_anchorFilter->setFilterRegularExpression(QString());
    return times;
}

void bench_CategoriesFilter::typingIntoTwelveThousand()
{
    // One round each to warm up, then rounds turn about.
    oursRound();
    anchorRound();
    Comparison comparison;
    double worst = 0;
    constexpr int Rounds = 5;
    for (int round = 0; round < Rounds; ++round) {
        const std::vector<double> anchor = anchorRound();
        const std::vector<double> ours = oursRound();
        comparison.anchor.runs.insert(comparison.anchor.runs.end(), anchor.begin(), anchor.end());
        comparison.ours.runs.insert(comparison.ours.runs.end(), ours.begin(), ours.end());
        worst = std::max(worst, *std::max_element(ours.begin(), ours.end()));
        QVERIFY(!m_ours->tagBeingNamed());
        QCOMPARE(m_oursShown, m_anchorShown);
    }
    const auto over = std::count_if(comparison.ours.runs.begin(), comparison.ours.runs.end(),
                                    [](double ms) { return ms >= 16; });
    std::printf("categories_filter_12k: %d keys a round, %d rounds; per key below\n",
                int(m_keys.size()), Rounds);
    std::printf("  ours: longest key %.2f ms, keys of 16 ms or more: %d of %zu\n", worst, int(over),
                comparison.ours.runs.size());
    printComparison("categories_filter_12k",
                    QStringLiteral("QSortFilterProxyModel, anchored case-blind expression, "
                                   "dynamic sort, over a QStandardItemModel"),
                    comparison);
    QCOMPARE(m_ours->model()->rowCount(), 12000);
}

QTEST_MAIN(bench_CategoriesFilter)
#include "bench_categoriesfilter.moc"
