#include "Blog.h"
#include "Category.h"
#include "CategoryListModel.h"
#include "CatsControllerDelegate.h"
#include "ColorViewSync.h"
#include "Localization.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "PaletteColors.h"
#include "RVCatsController.h"
#include "RVTableView.h"
#include "ScreenshotSaver.h"
#include "TruncCellDelegate.h"
#include "UserDefaults.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace plumet::test;

namespace {

// The draft window as the list sees it: a blog, and what the list hands over.
class FakeDraft : public CatsControllerDelegate {
public:
    bool categories = true;
    bool primary = true;
    Blog blog;
    QList<QStringList> pushedNew;
    QList<QStringList> pushedOld;

    bool hasCategories() const override { return categories; }
    bool supportsPrimaryCategory() const override { return primary; }
    Blog* categoriesBlog() const override { return const_cast<Blog*>(&blog); }
    void pushNewTags(const CategoryList& tags) override { pushedNew.append(titles(tags)); }
    void pushOldTags(const CategoryList& tags) override { pushedOld.append(titles(tags)); }

    static QStringList titles(const CategoryList& list)
    {
        QStringList names;
        for (const auto& c : list)
            names.append(c->title());
        return names;
    }
};

CategoryPtr element(const QString& title, bool category, bool tag)
{
    CategoryPtr c = Category::withTitle(title);
    c->setIsCategory(category);
    c->setIsTag(tag);
    c->setIsChecked(false);
    c->setIsPrimary(false);
    return c;
}

// Three categories, two tags and one that is both.
CategoryList fixture()
{
    return {element("Travel", true, false), element("News", true, false),
            element("rivers", false, true), element("Bread", false, true),
            element("Garden", true, true)};
}

QStringList rows(const RVCatsController& list)
{
    QStringList shown;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        shown.append(list.model()->at(row)->title());
    return shown;
}

CategoryPtr named(const RVCatsController& list, const QString& title)
{
    for (const auto& c : list.content())
        if (c->title() == title)
            return c;
    return nullptr;
}

QStringList ticked(const RVCatsController& list)
{
    QStringList names;
    for (const auto& c : list.content())
        if (c->isChecked())
            names.append(c->title());
    names.sort(Qt::CaseInsensitive);
    return names;
}

void clearDefaults()
{
    UserDefaults& defaults = UserDefaults::sharedInstance();
    for (const char* key : {"catSearchType", "tags_table_sort", "listFontSize", "colorViewColor"})
        defaults.remove(QString::fromLatin1(key));
}

} // namespace

class tst_CatsController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void filtering_data();
    void filtering();
    void typedTagFollowsFastTyping();
    void naming_data();
    void naming();
    void addedTagUntouchedIsDropped();
    void addSwitchesCategoriesToBoth();
    void deleteRemovesOnlyTags();
    void deleteOfCategoriesOnlyAlerts();
    void deleteKeyDoesNothingForCategories();
    void primaryToggles();
    void ticksAreAnnounced();
    void countNouns_data();
    void countNouns();
    void kindDefaultsAndToggles_data();
    void kindDefaultsAndToggles();
    void noCategoriesListsTagsOnly();
    void sortIsKept();
    void fontSizeAndRows_data();
    void fontSizeAndRows();
    void backgroundFollowsNotifications();
    void cellMarks();
    void typeAheadPausesOnTheClock();
    void modelPassesTheTester();

private:
    void make(int kind);
    QLineEdit* openEditor();
    void endEditing(const QString& text, bool escape);

    std::unique_ptr<FakeDraft> m_draft;
    std::unique_ptr<QWidget> m_window;
    RVCatsController* m_list = nullptr;
    ManualClock m_clock;
};

void tst_CatsController::init()
{
    clearDefaults();
    m_draft = std::make_unique<FakeDraft>();
}

void tst_CatsController::cleanup()
{
    m_window.reset();
    m_list = nullptr;
    m_draft.reset();
    clearDefaults();
}

void tst_CatsController::make(int kind)
{
    if (kind)
        UserDefaults::sharedInstance().setValue(QStringLiteral("catSearchType"), kind);
    m_window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_window.get());
    m_list = new RVCatsController(m_draft.get(), m_window.get());
    m_list->setClock(&m_clock);
    layout->addWidget(m_list->view());
    const CategoryList content = fixture();
    CategoryList records;
    for (const auto& c : content)
        records.append(c->copy());
    m_draft->blog.setCategories(records);
    m_list->setContent(content);
    m_window->resize(300, 400);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

QLineEdit* tst_CatsController::openEditor()
{
    m_clock.advance(10);
    const CategoryPtr tag = m_list->tagBeingNamed();
    if (!tag)
        return nullptr;
    const int row = m_list->model()->rowOf(tag);
    return qobject_cast<QLineEdit*>(m_list->tableView()->indexWidget(
        m_list->model()->index(row, CategoryListModel::NameColumn)));
}

void tst_CatsController::endEditing(const QString& text, bool escape)
{
    QLineEdit* editor = openEditor();
    QVERIFY(editor);
    if (!escape)
        editor->setText(text);
    QTest::keyClick(editor, escape ? Qt::Key_Escape : Qt::Key_Return);
    // The delegate commits from the event loop.
    QCoreApplication::processEvents();
    m_clock.advance(10);
    QVERIFY(!m_list->tagBeingNamed());
}

// How a search text arrives: typed by the user, or set by another road
// (a refresh of the list, a sort click, a kind change) while it stands.
void tst_CatsController::filtering_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("road");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("newTag");

    const QStringList all{"Bread", "Garden", "News", "rivers", "Travel"};
    QTest::newRow("both, empty") << 6901 << ""
                                 << "typed" << all << "";
    QTest::newRow("categories, empty") << 6902 << ""
                                       << "typed" << QStringList{"Garden", "News", "Travel"} << "";
    QTest::newRow("tags, empty") << 6903 << ""
                                 << "typed" << QStringList{"Bread", "Garden", "rivers"} << "";
    QTest::newRow("prefix") << 6901 << "tr"
                            << "typed" << QStringList{"Travel"} << "";
    QTest::newRow("prefix, other case") << 6901 << "RI"
                                        << "typed" << QStringList{"rivers"} << "";
    QTest::newRow("one letter, no match") << 6901 << "x"
                                          << "typed" << all << "";
    QTest::newRow("two letters, no match") << 6901 << "Xy"
                                           << "typed" << QStringList{"Xy"} << "Xy";
    QTest::newRow("tags only, no match") << 6903 << "zq"
                                         << "typed" << QStringList{"zq"} << "zq";
    QTest::newRow("categories only, no match") << 6902 << "zq"
                                               << "typed" << all << "";
    QTest::newRow("match of an unlisted kind") << 6903 << "ne"
                                               << "typed" << all << "";
    QTest::newRow("spaces only") << 6901 << "   "
                                 << "typed" << all << "";
    QTest::newRow("control and a letter") << 6901 << "\u0007z"
                                          << "typed" << all << "";
    QTest::newRow("set, no match") << 6901 << "xy"
                                   << "set" << all << "";
    QTest::newRow("sort click, no match") << 6901 << "xy"
                                          << "sort" << all << "";
    QTest::newRow("kind change, no match") << 6901 << "xy"
                                           << "kind" << all << "";
    QTest::newRow("refresh, no match") << 6901 << "xy"
                                       << "refresh" << all << "";
    QTest::newRow("set, prefix") << 6901 << "gar"
                                 << "set" << QStringList{"Garden"} << "";
}

void tst_CatsController::filtering()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QString, road);
    QFETCH(QStringList, shown);
    QFETCH(QString, newTag);

    make(kind);
    const int before = int(m_list->content().size());
    if (road == QLatin1String("typed")) {
        m_list->searchField()->setFocus();
        // textEdited, as from the keyboard.
        m_list->searchField()->selectAll();
        m_list->searchField()->insert(text);
    } else {
        m_list->setSearchString(text);
        if (road == QLatin1String("sort"))
            m_list->tableView()->horizontalHeader()->setSortIndicator(CategoryListModel::NameColumn,
                                                                      Qt::DescendingOrder);
        else if (road == QLatin1String("kind"))
            m_list->tagsToggle()->click();
        else if (road == QLatin1String("refresh"))
            m_list->contentChanged();
    }
    QStringList got = rows(*m_list);
    if (road == QLatin1String("sort") || road == QLatin1String("kind")) {
        // Order and kinds move; what counts is that nothing was made.
        QVERIFY(!m_list->tagBeingNamed());
        QVERIFY(!got.contains(text));
    } else {
        QCOMPARE(got, shown);
    }
    const CategoryPtr made = m_list->tagBeingNamed();
    QCOMPARE(made ? made->title() : QString(), newTag);
    if (made) {
        QVERIFY(made->isChecked());
        QVERIFY(made->isTag());
        QVERIFY(!made->isCategory());
    }
    // Nothing unnamed belongs to the draft yet, nothing went to the blog.
    QCOMPARE(int(m_list->content().size()), before);
    QVERIFY(m_draft->pushedNew.isEmpty());
}

void tst_CatsController::typedTagFollowsFastTyping()
{
    make(6901);
    m_list->searchField()->setFocus();
    QTest::keyClicks(m_list->searchField(), QStringLiteral("xyz"));
    QVERIFY(m_list->tagBeingNamed());
    QCOMPARE(m_list->tagBeingNamed()->title(), QStringLiteral("xyz"));
    QCOMPARE(rows(*m_list), QStringList{"xyz"});
    QLineEdit* editor = openEditor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("xyz"));
    saveScreenshot(m_window.get(), QStringLiteral("categories-naming"));
    QVERIFY(!editor->hasSelectedText());
    QTest::keyClicks(editor, QStringLiteral(" walks"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    m_clock.advance(10);
    QCOMPARE(m_draft->pushedNew, QList<QStringList>{{"xyz walks"}});
    QCOMPARE(m_list->searchString(), QString());
    QVERIFY(named(*m_list, "xyz walks")->isChecked());
    QCOMPARE(m_list->content().size(), 6);
}

void tst_CatsController::naming_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QStringList>("pushed");
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<int>("count");

    QTest::newRow("a name") << 6901 << "river walks" << false << QStringList{"river walks"}
                            << QStringList{"river walks"} << 6;
    QTest::newRow("trimmed") << 6901 << "  spaced  " << false << QStringList{"spaced"}
                             << QStringList{"spaced"} << 6;
    QTest::newRow("blank") << 6901 << "   " << false << QStringList{} << QStringList{} << 5;
    QTest::newRow("empty") << 6901 << "" << false << QStringList{} << QStringList{} << 5;
    QTest::newRow("escape") << 6901 << "" << true << QStringList{} << QStringList{} << 5;
    QTest::newRow("a category but for case")
        << 6901 << "TRAVEL" << false << QStringList{} << QStringList{"Travel"} << 5;
    QTest::newRow("a tag but for case")
        << 6901 << "Rivers" << false << QStringList{} << QStringList{"rivers"} << 5;
    QTest::newRow("commas") << 6901 << "a, b ,A,,bread" << false << QStringList{"a", "b"}
                            << QStringList{"a", "b", "Bread"} << 7;
    QTest::newRow("control characters")
        << 6901 << "ab\u0007c\td" << false << QStringList{"abcd"} << QStringList{"abcd"} << 6;
    QTest::newRow("tags only, a category's name")
        << 6903 << "travel" << false << QStringList{"travel"} << QStringList{"travel"} << 6;
}

void tst_CatsController::naming()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(bool, escape);
    QFETCH(QStringList, pushed);
    QFETCH(QStringList, ticks);
    QFETCH(int, count);

    make(kind);
    QSignalSpy ticksChanged(m_list, &RVCatsController::ticksChanged);
    m_list->searchField()->setFocus();
    QTest::keyClicks(m_list->searchField(), QStringLiteral("qq"));
    QVERIFY(m_list->tagBeingNamed());
    endEditing(name, escape);

    QCOMPARE(m_draft->pushedNew.isEmpty() ? QStringList() : m_draft->pushedNew.value(0), pushed);
    QVERIFY(m_draft->pushedNew.size() <= 1);
    QCOMPARE(ticked(*m_list), ticks);
    QCOMPARE(int(m_list->content().size()), count);
    QCOMPARE(ticksChanged.isEmpty(), ticks.isEmpty());
    for (const auto& c : m_list->content())
        QVERIFY2(!c->title().trimmed().isEmpty() && c->title() != QLatin1String("qq"),
                 qPrintable(c->title()));
    if (name == QLatin1String("TRAVEL")) {
        // The category becomes a tag of the post too, on the blog as well.
        QVERIFY(named(*m_list, "Travel")->isTag());
        QVERIFY(m_draft->blog.hasCategoryWithName(QStringLiteral("Travel"))->isTag());
    }
    QCOMPARE(m_list->searchString(), QString());
    // The named or ticked rows are the selection.
    QCOMPARE(m_list->tableView()->selectionModel()->selectedRows().size(), int(ticks.size()));
}

void tst_CatsController::addedTagUntouchedIsDropped()
{
    make(6901);
    m_list->addButton()->click();
    QLineEdit* editor = openEditor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), localized("Draft", "Untitled"));
    QCOMPARE(editor->selectedText(), editor->text());
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    m_clock.advance(10);
    QVERIFY(m_draft->pushedNew.isEmpty());
    QCOMPARE(m_list->content().size(), 5);
    QCOMPARE(m_list->model()->rowCount(), 5);
}

void tst_CatsController::addSwitchesCategoriesToBoth()
{
    make(6902);
    m_list->setSearchString(QStringLiteral("tr"));
    m_list->addButton()->click();
    QCOMPARE(m_list->kind(), RVCatsController::Both);
    QCOMPARE(UserDefaults::sharedInstance().integer(QStringLiteral("catSearchType")), 6901);
    QVERIFY(m_list->categoriesToggle()->isChecked());
    QVERIFY(m_list->tagsToggle()->isChecked());
    QCOMPARE(m_list->searchString(), QString());
    endEditing(QStringLiteral("picnic"), false);
    QCOMPARE(m_draft->pushedNew, QList<QStringList>{{"picnic"}});
    QVERIFY(named(*m_list, "picnic")->isChecked());
}

void tst_CatsController::deleteRemovesOnlyTags()
{
    make(6901);
    QItemSelectionModel* selection = m_list->tableView()->selectionModel();
    const auto select = [&](const QStringList& titles) {
        selection->clear();
        for (const QString& title : titles)
            selection->select(
                m_list->model()->index(m_list->model()->rowOf(named(*m_list, title)), 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    select({"Bread", "News", "Garden"});
    m_list->removeButton()->click();
    QCOMPARE(m_draft->pushedOld.size(), 1);
    QStringList removed = m_draft->pushedOld.first();
    removed.sort();
    QCOMPARE(removed, (QStringList{"Bread", "Garden"}));
    QVERIFY(!named(*m_list, "Bread"));
    QVERIFY(named(*m_list, "News"));
    // A tag that is a category too stays, as a category only.
    QVERIFY(named(*m_list, "Garden"));
    QVERIFY(!named(*m_list, "Garden")->isTag());
    QVERIFY(m_window->findChildren<QMessageBox*>().isEmpty());
}

void tst_CatsController::deleteOfCategoriesOnlyAlerts()
{
    make(6901);
    QItemSelectionModel* selection = m_list->tableView()->selectionModel();
    selection->select(m_list->model()->index(m_list->model()->rowOf(named(*m_list, "News")), 0),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->tableView()->setFocus();
    QTest::keyClick(m_list->tableView(), Qt::Key_Delete);
    QVERIFY(m_draft->pushedOld.isEmpty());
    QCOMPARE(m_list->content().size(), 5);
    const auto boxes = m_window->findChildren<QMessageBox*>();
    QCOMPARE(boxes.size(), 1);
    QMessageBox* box = boxes.first();
    QVERIFY(box->text().contains(QStringLiteral("Cannot delete categories")));
    QCOMPARE(box->informativeText(),
             QStringLiteral("If you want to delete a category you will have to do it from inside "
                            "your blog system's control panel. "));
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->buttons().first()->text(), QStringLiteral("OK"));
    saveScreenshot(box, QStringLiteral("categories-alert"));
    box->buttons().first()->click();
}

void tst_CatsController::deleteKeyDoesNothingForCategories()
{
    make(6902);
    m_list->tableView()->selectionModel()->select(m_list->model()->index(0, 0),
                                                  QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
    QVERIFY(!m_list->canRemove());
    QVERIFY(!m_list->removeButton()->isEnabled());
    m_list->tableView()->setFocus();
    QTest::keyClick(m_list->tableView(), Qt::Key_Delete);
    QVERIFY(m_window->findChildren<QMessageBox*>().isEmpty());
    QCOMPARE(m_list->content().size(), 5);
}

void tst_CatsController::primaryToggles()
{
    make(6901);
    QItemSelectionModel* selection = m_list->tableView()->selectionModel();
    const auto select = [&](const QString& title) {
        selection->select(m_list->model()->index(m_list->model()->rowOf(named(*m_list, title)), 0),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    };
    const CategoryPtr travel = named(*m_list, "Travel");
    const CategoryPtr news = named(*m_list, "News");
    select("Travel");
    QVERIFY(m_list->canSetPrimary());
    m_list->makePrimary();
    QVERIFY(travel->isPrimary());
    QVERIFY(travel->isChecked());
    select("News");
    m_list->makePrimary();
    QVERIFY(!travel->isPrimary());
    QVERIFY(news->isPrimary());
    m_list->makePrimary();
    QVERIFY(!news->isPrimary());
    QVERIFY(news->isChecked());
    // Unticking the primary category ends the mark.
    m_list->makePrimary();
    m_list->model()->setData(m_list->model()->index(m_list->model()->rowOf(news), 0), Qt::Unchecked,
                             Qt::CheckStateRole);
    QVERIFY(!news->isPrimary());

    select("rivers");
    QVERIFY(!m_list->canSetPrimary());
    selection->select(m_list->model()->index(m_list->model()->rowOf(travel), 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(!m_list->canSetPrimary());
    UserDefaults::sharedInstance().setValue(QStringLiteral("catSearchType"), 6903);
    QVERIFY(!m_list->canSetPrimary());
    m_draft->primary = false;
    QVERIFY(m_list->shouldHidePrimary());
}

void tst_CatsController::ticksAreAnnounced()
{
    make(6901);
    QSignalSpy spy(m_list, &RVCatsController::ticksChanged);
    const QModelIndex check = m_list->model()->index(0, CategoryListModel::CheckColumn);
    QVERIFY(m_list->model()->setData(check, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(spy.size(), 1);
    QVERIFY(m_list->model()->at(0)->isChecked());
    m_list->tableView()->selectionModel()->select(check, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
    m_list->tableView()->setFocus();
    QTest::keyClick(m_list->tableView(), Qt::Key_Return);
    QCOMPARE(spy.size(), 2);
    QVERIFY(!m_list->model()->at(0)->isChecked());
}

void tst_CatsController::countNouns_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("label");

    QTest::newRow("both, none") << 6901 << 0 << "0 tags & categories";
    QTest::newRow("both, one") << 6901 << 1 << "1 tag or category";
    QTest::newRow("both, two") << 6901 << 2 << "2 tags & categories";
    QTest::newRow("categories, one") << 6902 << 1 << "1 category";
    QTest::newRow("categories, two") << 6902 << 2 << "2 categories";
    QTest::newRow("tags, one") << 6903 << 1 << "1 tag";
    QTest::newRow("tags, none") << 6903 << 0 << "0 tags";
}

void tst_CatsController::countNouns()
{
    QFETCH(int, kind);
    QFETCH(int, items);
    QFETCH(QString, label);
    make(kind);
    CategoryList content;
    for (int i = 0; i < items; ++i)
        content.append(element(QStringLiteral("item %1").arg(i), true, true));
    m_list->setContent(content);
    QCOMPARE(m_list->countLabel()->text(), label);
}

void tst_CatsController::kindDefaultsAndToggles_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("click");
    QTest::addColumn<int>("after");

    QTest::newRow("unset") << QVariant() << 6902 << "" << 6902;
    QTest::newRow("old code") << QVariant(6899) << 6902 << "" << 6902;
    QTest::newRow("not a number") << QVariant("tags") << 6902 << "" << 6902;
    QTest::newRow("past the codes") << QVariant(7000) << 6902 << "" << 6902;
    QTest::newRow("categories, add tags") << QVariant(6902) << 6902 << "tags" << 6901;
    QTest::newRow("both, drop categories") << QVariant(6901) << 6901 << "categories" << 6903;
    QTest::newRow("both, drop tags") << QVariant(6901) << 6901 << "tags" << 6902;
    QTest::newRow("categories, drop them") << QVariant(6902) << 6902 << "categories" << 6902;
}

void tst_CatsController::kindDefaultsAndToggles()
{
    QFETCH(QVariant, stored);
    QFETCH(int, kind);
    QFETCH(QString, click);
    QFETCH(int, after);
    if (stored.isValid())
        UserDefaults::sharedInstance().setValue(QStringLiteral("catSearchType"), stored);
    make(0);
    QCOMPARE(int(m_list->kind()), kind);
    QCOMPARE(m_list->categoriesToggle()->isChecked(), kind != 6903);
    QCOMPARE(m_list->tagsToggle()->isChecked(), kind != 6902);
    if (click == QLatin1String("tags"))
        m_list->tagsToggle()->click();
    else if (click == QLatin1String("categories"))
        m_list->categoriesToggle()->click();
    QCOMPARE(int(m_list->kind()), after);
    QCOMPARE(m_list->categoriesToggle()->isChecked(), after != 6903);
    QCOMPARE(m_list->tagsToggle()->isChecked(), after != 6902);
    if (!click.isEmpty()) {
        QCOMPARE(UserDefaults::sharedInstance().integer(QStringLiteral("catSearchType")), after);
        // Shared: a second list starts with it.
        RVCatsController other(m_draft.get());
        QCOMPARE(int(other.kind()), after);
    }
}

void tst_CatsController::noCategoriesListsTagsOnly()
{
    m_draft->categories = false;
    make(6902);
    QCOMPARE(m_list->kind(), RVCatsController::TagsOnly);
    QVERIFY(!m_list->categoriesToggle()->isVisible());
    QVERIFY(!m_list->tagsToggle()->isVisible());
    QCOMPARE(rows(*m_list), (QStringList{"Bread", "Garden", "rivers"}));
    QCOMPARE(UserDefaults::sharedInstance().integer(QStringLiteral("catSearchType")), 6902);
}

void tst_CatsController::sortIsKept()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("tags_table_sort"),
                                            QStringLiteral("sideways"));
    make(6901);
    QCOMPARE(rows(*m_list), (QStringList{"Bread", "Garden", "News", "rivers", "Travel"}));
    named(*m_list, "News")->setIsChecked(true);
    m_list->tableView()->horizontalHeader()->setSortIndicator(CategoryListModel::CheckColumn,
                                                              Qt::DescendingOrder);
    QCOMPARE(rows(*m_list), (QStringList{"News", "Bread", "Garden", "rivers", "Travel"}));
    QCOMPARE(UserDefaults::sharedInstance().string(QStringLiteral("tags_table_sort")),
             QStringLiteral("isChecked descending"));
    m_list->tableView()->horizontalHeader()->setSortIndicator(CategoryListModel::NameColumn,
                                                              Qt::DescendingOrder);
    QCOMPARE(rows(*m_list), (QStringList{"Travel", "rivers", "News", "Garden", "Bread"}));
    RVCatsController other(m_draft.get());
    other.setContent(fixture());
    QCOMPARE(rows(other), (QStringList{"Travel", "rivers", "News", "Garden", "Bread"}));
}

void tst_CatsController::fontSizeAndRows_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("rowHeight");
    QTest::newRow("factory") << QVariant() << 15;
    QTest::newRow("fourteen") << QVariant(14) << 18;
    QTest::newRow("text") << QVariant("big") << 15;
    QTest::newRow("too large") << QVariant(500) << 15;
    QTest::newRow("negative") << QVariant(-3) << 15;
}

void tst_CatsController::fontSizeAndRows()
{
    QFETCH(QVariant, stored);
    QFETCH(int, rowHeight);
    if (stored.isValid())
        UserDefaults::sharedInstance().setValue(QStringLiteral("listFontSize"), stored);
    make(6901);
    QCOMPARE(m_list->tableView()->rowHeight(0), rowHeight);
    QCOMPARE(m_list->tableView()->verticalHeader()->defaultSectionSize(), rowHeight);
}

void tst_CatsController::backgroundFollowsNotifications()
{
    make(6901);
    const QColor ground = QApplication::palette(m_list->tableView()).color(QPalette::Base);
    for (const char* name :
         {ColorViewSync::colorChangedByLists, ColorViewSync::colorChangedBySidePanels}) {
        const QColor chosen = name == ColorViewSync::colorChangedByLists ? QColor(200, 30, 30)
                                                                         : QColor(30, 30, 200, 128);
        NotificationCenter::sharedInstance().post(
            QString::fromLatin1(name), nullptr,
            {{QString::fromLatin1(ColorViewSync::colorKey),
              QVariant::fromValue(rv::Color::fromQColor(chosen))}});
        QCOMPARE(m_list->tableView()->palette().color(QPalette::Base),
                 PaletteColors::over(chosen, ground));
    }
}

void tst_CatsController::cellMarks()
{
    make(6901);
    m_draft->primary = true;
    const auto mark = [&](const QString& title) {
        const int row = m_list->model()->rowOf(named(*m_list, title));
        return m_list->model()
            ->index(row, CategoryListModel::NameColumn)
            .data(TruncCellDelegate::kindRole)
            .toInt();
    };
    named(*m_list, "Travel")->setIsPrimary(true);
    m_list->contentChanged();
    QCOMPARE(mark("Travel"), 1);
    QCOMPARE(mark("News"), 2);
    QCOMPARE(mark("rivers"), 0);
    saveScreenshot(m_window.get(), QStringLiteral("categories-list"));
    m_list->categoriesToggle()->click(); // tags only
    m_list->tagsToggle()->click();       // neither: categories
    QCOMPARE(m_list->kind(), RVCatsController::CategoriesOnly);
    QCOMPARE(mark("News"), 0);
    QCOMPARE(mark("Travel"), 1);
}

void tst_CatsController::typeAheadPausesOnTheClock()
{
    make(6901);
    RVTableView* table = m_list->tableView();
    table->setFocus();
    QTest::keyClicks(table, QStringLiteral("ri"));
    QCOMPARE(m_list->searchString(), QStringLiteral("ri"));
    QCOMPARE(rows(*m_list), QStringList{"rivers"});
    QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
    m_clock.advance(749);
    QCOMPARE(rows(*m_list), QStringList{"rivers"});
    m_clock.advance(1);
    QCOMPARE(m_list->searchString(), QString());
    QCOMPARE(rows(*m_list).size(), 5);
    // The row found stays selected, and type-ahead never makes a tag.
    const QModelIndexList selected = table->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(m_list->model()->at(selected.first().row())->title(), QStringLiteral("rivers"));
    QTest::keyClicks(table, QStringLiteral("qz"));
    QVERIFY(!m_list->tagBeingNamed());
    m_clock.advance(750);
    QVERIFY(m_draft->pushedNew.isEmpty());
}

void tst_CatsController::modelPassesTheTester()
{
    make(6901);
    QAbstractItemModelTester tester(m_list->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_list->setSearchString(QStringLiteral("r"));
    m_list->setSearchString(QString());
    m_list->appendContent({element("Zebra", false, true)});
    m_list->removeContent({named(*m_list, "News")});
    m_list->tableView()->horizontalHeader()->setSortIndicator(CategoryListModel::CheckColumn,
                                                              Qt::AscendingOrder);
    m_list->model()->setData(m_list->model()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
    m_list->categoriesToggle()->click();
    QCOMPARE(m_list->kind(), RVCatsController::TagsOnly);
    m_list->searchField()->setFocus();
    QTest::keyClicks(m_list->searchField(), QStringLiteral("qq"));
    endEditing(QStringLiteral("new"), false);
    QCOMPARE(m_list->content().size(), 6);
}

QTEST_MAIN(tst_CatsController)
#include "tst_catscontroller.moc"
