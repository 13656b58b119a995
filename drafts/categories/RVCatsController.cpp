#include "RVCatsController.h"

#include "AlertBox.h"
#include "Blog.h"
#include "Category.h"
#include "CategoryListModel.h"
#include "CatsControllerDelegate.h"
#include "CatsListDefaults.h"
#include "CatsPanel.h"
#include "Clock.h"
#include "Localization.h"
#include "RVTableView.h"
#include "TagNames.h"
#include "TruncCellDelegate.h"
#include "UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QToolButton>
#include <QWidget>

namespace {

// The pause before a new tag's name opens for typing, so that the row is
// laid out first.
constexpr qint64 namingDelay = 10;

QString localText(const char* text)
{
    return localized("RVCatsController", text);
}

} // namespace

class RVCatsController::Private {
public:
    RVCatsController* q = nullptr;
    CatsControllerDelegate* delegate = nullptr;
    Clock* clock = &Clock::system();

    QPointer<CatsPanel> view;
    CategoryListModel* model = nullptr;
    // Short names for the panel's widgets.
    QLineEdit* search = nullptr;
    RVTableView* table = nullptr;
    QPointer<QMessageBox> alert;

    CategoryList content;
    bool contentDirty = true;
    // A rearrangement asked for while a name was being typed in the table.
    bool rearrangeWaiting = false;

    // The new tag waiting for its name, and its editor once open.
    CategoryPtr named;
    bool namedByAdd = false;
    QPointer<QWidget> editor;
    std::unique_ptr<Clock::Timer> namingTimer;
    std::unique_ptr<Clock::Timer> finishTimer;
    // The search text that made the last new tag.
    QString createdFor;

    void build(QWidget* parent);
    void syncKindControls();
    void setKind(Kind kind);
    bool listsCategories() const;
    bool listsTags() const;

    void rearrange();
    void selectRows(const CategoryList& categories) { view->selectElements(categories); }
    CategoryList selected() const { return view->selectedElements(); }
    void selectFirst()
    {
        if (model->rowCount() > 0)
            selectRows({model->at(0)});
    }
    void updateCount();

    void searchEdited(const QString& text);
    void makeTagFromTyping(const QString& text);
    CategoryPtr newTag(const QString& title) const;
    void startNamingLater();
    void startNaming();
    void finishNamingLater(const QString& name, bool cancelled);
    void finishNaming(const QString& name, bool cancelled);
    CategoryPtr listedNamed(const QString& name, const CategoryPtr& except) const;
    void clearSearch();
};

RVCatsController::RVCatsController(CatsControllerDelegate* delegate, QWidget* parent)
    : QObject(parent), d(new Private)
{
    d->q = this;
    d->delegate = delegate;
    d->build(parent);
    constructSearchMenu();
}

RVCatsController::~RVCatsController()
{
    d->namingTimer.reset();
    d->finishTimer.reset();
    if (d->alert)
        d->alert->close();
    // A panel nobody took into a window is ours to delete.
    if (d->view && !d->view->parent())
        delete d->view.data();
    delete d;
}

void RVCatsController::Private::build(QWidget* parent)
{
    model = new CategoryListModel(q);
    model->setNoteProvider([this](const Category& category) {
        return delegate ? delegate->noteFor(category) : QString();
    });
    view = new CatsPanel(model, parent);
    search = view->search;
    table = view->table;

    QObject::connect(search, &QLineEdit::textEdited, q,
                     [this](const QString& text) { searchEdited(text); });
    QObject::connect(search, &QLineEdit::returnPressed, q, [this] { q->search(); });
    QObject::connect(view->kindItems, &QActionGroup::triggered, q,
                     [this](QAction* item) { setKind(Kind(item->data().toInt())); });
    for (QToolButton* toggle : {view->categoriesToggle, view->tagsToggle}) {
        QObject::connect(toggle, &QToolButton::clicked, q, [this] {
            const bool tags = view->tagsToggle->isChecked();
            const bool categories = view->categoriesToggle->isChecked();
            setKind(tags && categories ? Both : tags ? TagsOnly : CategoriesOnly);
        });
    }
    QObject::connect(view->add, &QToolButton::clicked, q, [this] { q->add(); });
    QObject::connect(view->remove, &QToolButton::clicked, q, [this] { q->remove(); });
    QObject::connect(view->primaryAction, &QAction::triggered, q, [this] { q->makePrimary(); });
    QObject::connect(table->horizontalHeader(), &QHeaderView::sortIndicatorChanged, q,
                     [this](int column, Qt::SortOrder order) {
                         model->setSortOrder({column == CategoryListModel::CheckColumn
                                                  ? CategoryListModel::SortKey::Checked
                                                  : CategoryListModel::SortKey::Title,
                                              order == Qt::AscendingOrder});
                         CatsListDefaults::setSortOrder(model->sortOrder());
                         rearrange();
                     });
    QObject::connect(table, &RVTableView::inlineSearch, q,
                     [this](const QString& keys) { q->inlineSearch(keys); });
    QObject::connect(table, &RVTableView::deleteKeyPressed, q, [this](RVTableView* sender) {
        if (sender == table && !editor && q->canRemove())
            q->remove();
    });
    QObject::connect(table, &RVTableView::enterKeyPressed, q, [this] { q->handleEnterKey(); });
    QObject::connect(model, &CategoryListModel::tickChanged, q, [this] { emit q->ticksChanged(); });
    QObject::connect(model, &CategoryListModel::nameCommitted, q,
                     [this](const CategoryPtr& category, const QString& name) {
                         if (category == named)
                             finishNamingLater(name, false);
                     });
    QObject::connect(view->nameCell, &QAbstractItemDelegate::closeEditor, q,
                     [this](QWidget* closed, QAbstractItemDelegate::EndEditHint hint) {
                         if (closed == editor && hint == QAbstractItemDelegate::RevertModelCache)
                             finishNamingLater(QString(), true);
                     });
    QObject::connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, q, [this] {
        view->remove->setEnabled(q->canRemove());
        view->primaryAction->setEnabled(q->canSetPrimary());
    });
    QObject::connect(&UserDefaults::sharedInstance(), &UserDefaults::changed, q,
                     [this](const QString& changed) {
                         // Another window changed the shared kind.
                         if (changed == QLatin1String(CatsListDefaults::kindKey)) {
                             syncKindControls();
                             rearrange();
                         }
                     });
}

bool RVCatsController::Private::listsCategories() const
{
    const Kind k = q->kind();
    return k == Both || k == CategoriesOnly;
}

bool RVCatsController::Private::listsTags() const
{
    const Kind k = q->kind();
    return k == Both || k == TagsOnly;
}

void RVCatsController::Private::syncKindControls()
{
    const bool hasCategories = delegate && delegate->hasCategories();
    view->categoriesToggle->setVisible(hasCategories);
    view->tagsToggle->setVisible(hasCategories);
    view->menuButton->setVisible(hasCategories);
    view->primaryAction->setVisible(!q->shouldHidePrimary());
    const Kind k = q->kind();
    // Both kinds show as both toggles on; one kind as its own toggle.
    view->categoriesToggle->setChecked(k == Both || k == CategoriesOnly);
    view->tagsToggle->setChecked(k == Both || k == TagsOnly);
    for (QAction* item : view->kindItems->actions())
        item->setChecked(item->data().toInt() == int(k));
    view->remove->setEnabled(q->canRemove());
    view->primaryAction->setEnabled(q->canSetPrimary());
}

void RVCatsController::Private::setKind(Kind kind)
{
    if (!delegate || !delegate->hasCategories())
        return;
    CatsListDefaults::setKind(kind);
    syncKindControls();
    q->search();
}

void RVCatsController::Private::rearrange()
{
    if (editor) {
        rearrangeWaiting = true;
        return;
    }
    rearrangeWaiting = false;
    const CategoryList keep = selected();
    if (contentDirty) {
        model->setContent(content);
        contentDirty = false;
    }
    model->setFilter(listsCategories(), listsTags(), search->text());
    model->rearrange();
    selectRows(keep);
    updateCount();
}

void RVCatsController::Private::updateCount()
{
    view->count->setText(QString::number(model->rowCount()) + q->itemCountString());
}

void RVCatsController::Private::clearSearch()
{
    search->clear();
    createdFor.clear();
}

CategoryPtr RVCatsController::Private::newTag(const QString& title) const
{
    auto tag = std::make_shared<Category>();
    tag->setTitle(title);
    tag->setIsChecked(true);
    tag->setIsTag(true);
    tag->setIsCategory(false);
    tag->setIsPrimary(false);
    return tag;
}

void RVCatsController::Private::searchEdited(const QString& text)
{
    // Typing faster than the name opens: the new tag follows the text.
    if (named && !editor && !namedByAdd) {
        const QString title = TagNames::withoutControls(text);
        if (!title.trimmed().isEmpty()) {
            named->setTitle(title);
            contentDirty = true;
            createdFor = text;
        }
    }
    q->search();
    if (text.isEmpty())
        createdFor.clear();
    makeTagFromTyping(text);
}

void RVCatsController::Private::makeTagFromTyping(const QString& text)
{
    // A text no title starts with names a new tag, once, when the user typed it.
    const QString title = TagNames::withoutControls(text);
    if (named || !listsTags() || title.trimmed().size() <= 1 || text == createdFor ||
        model->anyTitleStartsWith(text))
        return;
    createdFor = text;
    named = newTag(title);
    namedByAdd = false;
    content.append(named);
    contentDirty = true;
    rearrange();
    selectRows({named});
    startNamingLater();
}

void RVCatsController::Private::startNamingLater()
{
    namingTimer = clock->singleShot(namingDelay, [this] { startNaming(); });
}

void RVCatsController::Private::startNaming()
{
    namingTimer.reset();
    if (!named)
        return;
    if (contentDirty || rearrangeWaiting)
        rearrange();
    const int row = model->rowOf(named);
    if (row >= 0) {
        const QModelIndex index = model->index(row, CategoryListModel::NameColumn);
        selectRows({named});
        table->scrollTo(index);
        table->setFocus();
        model->setEditable(named);
        table->edit(index);
        editor = table->indexWidget(index);
    }
    auto* field = qobject_cast<QLineEdit*>(editor.data());
    if (!field) {
        // Nowhere to type the name: the nameless tag goes.
        editor = nullptr;
        finishNaming(QString(), true);
        return;
    }
    if (named->title() == Genetic::untitled())
        field->selectAll();
    else
        field->end(false);
    QObject::connect(field, &QObject::destroyed, q, [this] {
        // Closed without a name (the list was rebuilt under it).
        if (named && !finishTimer)
            finishNamingLater(QString(), true);
    });
}

void RVCatsController::Private::finishNamingLater(const QString& name, bool cancelled)
{
    if (finishTimer)
        return;
    model->setEditable(nullptr);
    finishTimer =
        clock->singleShot(namingDelay, [this, name, cancelled] { finishNaming(name, cancelled); });
}

CategoryPtr RVCatsController::Private::listedNamed(const QString& name,
                                                   const CategoryPtr& except) const
{
    const QString folded = TagNames::folded(name);
    CategoryPtr match;
    for (const CategoryPtr& category : content) {
        if (category == except || !model->isListed(*category))
            continue;
        if (category->title() == name)
            return category;
        if (!match && TagNames::folded(category->title()) == folded)
            match = category;
    }
    return match;
}

void RVCatsController::Private::finishNaming(const QString& name, bool cancelled)
{
    // The timer may be the caller: it goes once this returns.
    auto timer = std::move(finishTimer);
    namingTimer.reset();
    const CategoryPtr placeholder = std::exchange(named, nullptr);
    const bool byAdd = std::exchange(namedByAdd, false);
    editor = nullptr;
    model->setEditable(nullptr);
    if (!placeholder || !content.contains(placeholder))
        return;

    QStringList names = cancelled ? QStringList() : TagNames::piecesOf(name);
    // The placeholder left as it came is no name.
    if (byAdd && names == QStringList{Genetic::untitled()})
        names.clear();
    model->setFilter(listsCategories(), listsTags(), search->text());
    CategoryList made;
    CategoryList chosen;
    bool placeholderUsed = false;
    bool ticked = false;
    for (const QString& piece : names) {
        // The same name but for case is the one listed: servers file them as one.
        if (const CategoryPtr found = listedNamed(piece, placeholder)) {
            if (!found->isTag()) {
                Blog* blog = delegate ? delegate->categoriesBlog() : nullptr;
                if (const CategoryPtr record =
                        blog ? blog->hasCategoryWithName(found->title()) : nullptr)
                    record->setIsTag(true);
                found->setIsTag(true);
            }
            ticked = ticked || !found->isChecked();
            found->setIsChecked(true);
            chosen.append(found);
            continue;
        }
        CategoryPtr tag = placeholder;
        if (placeholderUsed) {
            tag = newTag(piece);
            content.append(tag);
        } else {
            placeholderUsed = true;
            if (tag->title() != piece)
                tag->setTitle(piece);
        }
        made.append(tag);
        chosen.append(tag);
    }
    if (!placeholderUsed)
        content.removeAll(placeholder);
    contentDirty = true;
    if (!made.isEmpty() && delegate)
        delegate->pushNewTags(made);
    clearSearch();
    rearrange();
    selectRows(chosen);
    if (!chosen.isEmpty())
        table->scrollTo(model->index(model->rowOf(chosen.first()), 0));
    if (!made.isEmpty() || ticked)
        emit q->ticksChanged();
}

// --- public ---------------------------------------------------------------------------

QWidget* RVCatsController::view() const
{
    return d->view;
}
QLineEdit* RVCatsController::searchField() const
{
    return d->search;
}
RVTableView* RVCatsController::tableView() const
{
    return d->table;
}
CategoryListModel* RVCatsController::model() const
{
    return d->model;
}
QAbstractButton* RVCatsController::categoriesToggle() const
{
    return d->view->categoriesToggle;
}
QAbstractButton* RVCatsController::tagsToggle() const
{
    return d->view->tagsToggle;
}
QAbstractButton* RVCatsController::addButton() const
{
    return d->view->add;
}
QAbstractButton* RVCatsController::removeButton() const
{
    return d->view->remove;
}
QLabel* RVCatsController::countLabel() const
{
    return d->view->count;
}
CategoryPtr RVCatsController::tagBeingNamed() const
{
    return d->named;
}

void RVCatsController::setClock(Clock* clock)
{
    d->clock = clock ? clock : &Clock::system();
    d->table->setClock(clock);
}

CategoryList RVCatsController::content() const
{
    CategoryList list = d->content;
    if (d->named)
        list.removeAll(d->named);
    return list;
}

void RVCatsController::setContent(const CategoryList& categories)
{
    // A new list (another blog): a name being typed belongs to the old one.
    if (d->named) {
        d->named.reset();
        d->namingTimer.reset();
        d->finishTimer.reset();
        d->model->setEditable(nullptr);
        // The rebuilt rows take the editor with them.
        d->editor = nullptr;
    }
    d->content = categories;
    d->content.removeAll(nullptr);
    d->contentDirty = true;
    d->rearrange();
}

void RVCatsController::appendContent(const CategoryList& categories)
{
    for (const CategoryPtr& category : categories) {
        if (category && !d->content.contains(category))
            d->content.append(category);
    }
    d->contentDirty = true;
    d->rearrange();
}

void RVCatsController::removeContent(const CategoryList& categories)
{
    d->content.removeIf([&categories](const CategoryPtr& c) { return categories.contains(c); });
    d->contentDirty = true;
    d->rearrange();
}

void RVCatsController::contentChanged()
{
    d->contentDirty = true;
    d->rearrange();
    d->model->refreshAll();
}

void RVCatsController::constructSearchMenu()
{
    d->syncKindControls();
    d->rearrange();
}

void RVCatsController::focusSearchField()
{
    d->search->setFocus();
    d->search->end(false);
}

RVCatsController::Kind RVCatsController::kind() const
{
    if (!d->delegate || !d->delegate->hasCategories())
        return TagsOnly;
    return Kind(CatsListDefaults::kind());
}

QString RVCatsController::itemCountString() const
{
    const bool one = d->model->rowCount() == 1;
    switch (kind()) {
    case Both:
        return one ? localText(" tag or category") : localText(" tags & categories");
    case CategoriesOnly:
        return one ? localText(" category") : localText(" categories");
    case TagsOnly:
        return one ? localText(" tag") : localText(" tags");
    }
    return QString();
}

QString RVCatsController::searchString() const
{
    return d->search->text();
}

void RVCatsController::setSearchString(const QString& text)
{
    d->search->setText(text);
    d->rearrange();
}

void RVCatsController::search()
{
    d->rearrange();
    d->selectFirst();
    d->search->setFocus();
    d->search->end(false);
}

void RVCatsController::inlineSearch(const QString& keys)
{
    if (d->editor)
        return;
    d->search->setText(keys);
    d->rearrange();
    if (!keys.isEmpty())
        d->selectFirst();
    const QModelIndex current = d->table->selectionModel()->currentIndex();
    if (current.isValid())
        d->table->scrollTo(current);
}

void RVCatsController::add()
{
    if (d->named)
        return;
    d->clearSearch();
    if (kind() == CategoriesOnly) {
        CatsListDefaults::setKind(Both);
        d->syncKindControls();
    }
    for (QAction* item : d->view->kindItems->actions())
        item->setChecked(item->data().toInt() == int(kind()));
    d->named = d->newTag(QString());
    d->namedByAdd = true;
    d->content.append(d->named);
    d->contentDirty = true;
    d->rearrange();
    d->selectRows({d->named});
    d->startNamingLater();
}

bool RVCatsController::canRemove() const
{
    return kind() != CategoriesOnly && d->table->selectionModel()->hasSelection();
}

void RVCatsController::remove()
{
    CategoryList tags;
    for (const CategoryPtr& category : d->selected()) {
        if (category->isTag() && category != d->named)
            tags.append(category);
    }
    if (tags.isEmpty()) {
        if (d->selected().isEmpty())
            return;
        // Categories belong to the blog's own control panel.
        QMessageBox* alert = cutils::makeAlert(
            QMessageBox::Warning, localText("Cannot delete categories"),
            localText(
                "If you want to delete a category you will have to do it from inside your blog "
                "system's control panel. "),
            d->view->window());
        alert->addButton(localized("AppControl", "OK"), QMessageBox::AcceptRole);
        alert->setWindowModality(Qt::WindowModal);
        d->alert = alert;
        alert->open();
        return;
    }
    d->selectRows(tags);
    for (const CategoryPtr& tag : tags) {
        // One that is a category too stays, as a category.
        if (tag->isCategory())
            tag->setIsTag(false);
        else
            d->content.removeAll(tag);
    }
    d->contentDirty = true;
    d->rearrange();
    if (d->delegate)
        d->delegate->pushOldTags(tags);
    emit ticksChanged();
}

void RVCatsController::handleEnterKey()
{
    // Return in the name being typed ends the naming, and nothing else.
    if (d->editor)
        return;
    const CategoryList rows = d->selected();
    if (rows.isEmpty())
        return;
    for (const CategoryPtr& category : rows) {
        const bool checked = !category->isChecked();
        category->setIsChecked(checked);
        if (!checked)
            category->setIsPrimary(false);
    }
    d->model->refreshAll();
    emit ticksChanged();
}

bool RVCatsController::canSetPrimary() const
{
    if (kind() == TagsOnly || shouldHidePrimary())
        return false;
    const CategoryList rows = d->selected();
    return rows.size() == 1 && rows.first()->isCategory();
}

bool RVCatsController::shouldHidePrimary() const
{
    return !d->delegate || !d->delegate->supportsPrimaryCategory();
}

void RVCatsController::makePrimary()
{
    if (!canSetPrimary())
        return;
    const CategoryPtr chosen = d->selected().first();
    const bool wasPrimary = chosen->isPrimary();
    for (const CategoryPtr& category : d->content) {
        if (category->isCategory())
            category->setIsPrimary(false);
    }
    if (!wasPrimary) {
        // A primary category is always ticked.
        chosen->setIsChecked(true);
        chosen->setIsPrimary(true);
    }
    d->model->refreshAll();
    emit ticksChanged();
}
