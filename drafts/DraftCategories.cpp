// The categories and tags a draft ticks: built from its blog, kept in step, written into the entry.
#include "DraftCategories.h"

#include "Account.h"
#include "Blog.h"
#include "Category.h"
#include "Draft.h"
#include "DraftController.h"
#include "DraftSideView.h"
#include "DraftWindowLayout.h"
#include "Entry.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "RVDraftWindow.h"
#include "categories/RVCatsController.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace {

// What the user chose: titles with their primary marks, in no order.
QStringList choice(const CategoryList& list, bool tickedOnly)
{
    QStringList chosen;
    for (const CategoryPtr& category : list) {
        if (category && (!tickedOnly || category->isChecked()))
            chosen.append(category->title() + (category->isPrimary() ? u'\1' : u'\0'));
    }
    chosen.sort();
    return chosen;
}

} // namespace

DraftCategories::DraftCategories(Draft& draft) : m_draft(draft) {}

DraftCategories::~DraftCategories() = default;

void DraftCategories::build()
{
    m_controller = new RVCatsController(this, m_draft.layout().sideView());
    QObject::connect(m_controller, &RVCatsController::ticksChanged, &m_draft, [this] {
        if (RVDraftWindow* window = m_draft.window())
            window->setWindowModified(true);
    });
    m_draft.setSidePanelContent(m_controller->view());
}

RVCatsController* DraftCategories::controller() const
{
    return m_controller.data();
}

CategoryList DraftCategories::categories() const
{
    return m_controller ? m_controller->content() : CategoryList();
}

void DraftCategories::setContent(const CategoryList& list)
{
    if (m_controller)
        m_controller->setContent(list);
}

void DraftCategories::initCategories()
{
    CategoryList list;
    if (Blog* blog = categoriesBlog()) {
        const bool all = hasCategories();
        for (const CategoryPtr& record : blog->categories()) {
            if (!record || (!all && !record->isTag()))
                continue;
            CategoryPtr copy = record->copy();
            copy->setIsChecked(false);
            copy->setIsPrimary(false);
            list.append(copy);
        }
    }
    m_foreign.clear();
    setContent(list);
    checkEntryCategories();
}

void DraftCategories::checkEntryCategories()
{
    const EntryPtr entry = m_draft.entry();
    if (!entry || !m_controller)
        return;
    // The entry says anew which of its own the list shows.
    CategoryList stale;
    for (const CategoryPtr& category : m_controller->content()) {
        if (m_foreign.contains(category.get()))
            stale.append(category);
    }
    if (!stale.isEmpty())
        m_controller->removeContent(stale);
    m_foreign.clear();

    const CategoryList list = m_controller->content();
    QHash<QString, CategoryPtr> byTitle;
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        const CategoryPtr& category = *it;
        if (category->isChecked())
            category->setIsChecked(false);
        if (category->isPrimary())
            category->setIsPrimary(false);
        byTitle.insert(category->title(), category);
    }
    CategoryList added;
    for (const CategoryPtr& chosen : entry->categories().value_or(CategoryList())) {
        if (!chosen)
            continue;
        CategoryPtr item = byTitle.value(chosen->title());
        if (!item) {
            item = chosen->copy();
            item->setIsPrimary(false);
            m_foreign.insert(item.get());
            byTitle.insert(item->title(), item);
            added.append(item);
        }
        if (!item->isChecked())
            item->setIsChecked(true);
        if (chosen->isPrimary() && !item->isPrimary())
            item->setIsPrimary(true);
    }
    if (!added.isEmpty())
        m_controller->appendContent(added);
    m_controller->contentChanged();
}

void DraftCategories::saveSelectedCategories(Entry& entry)
{
    if (!m_controller)
        return;
    const CategoryList list = m_controller->content();
    const std::optional<CategoryList> current = entry.categories();
    // Unchanged ticks leave the entry's records (and its file) as they are.
    if (choice(list, true) == choice(current.value_or(CategoryList()), false))
        return;
    CategoryList ticked;
    for (const CategoryPtr& category : list) {
        if (category->isChecked())
            ticked.append(category->copy());
    }
    entry.setCategories(ticked);
}

void DraftCategories::categoriesRefreshed(Blog* blog)
{
    if (!blog || blog != categoriesBlog() || !hasCategories() || !m_controller)
        return;
    const CategoryList records = blog->categories();
    QHash<QString, CategoryPtr> byID;
    for (const CategoryPtr& record : records) {
        if (record && record->isCategory() && !record->uniqueID().isEmpty())
            byID.insert(record->uniqueID(), record);
    }
    const CategoryList list = m_controller->content();
    CategoryList removed;
    QSet<const Category*> matched;
    QSet<QString> titles;
    for (const CategoryPtr& item : list) {
        // Tags stay as they are; the mark goes once the blog has the title.
        if (item->isTag() && !item->isCategory()) {
            if (m_foreign.contains(item.get()) && blog->hasCategoryWithName(item->title()))
                m_foreign.remove(item.get());
            titles.insert(item->title());
            continue;
        }
        // The server's identifier first: a category it renamed keeps its tick.
        CategoryPtr record = item->uniqueID().isEmpty() ? nullptr : byID.value(item->uniqueID());
        if (!record)
            record = blog->hasCategoryWithName(item->title());
        if (record) {
            if (record->title() != item->title())
                item->followRename({{QStringLiteral("old"), item->title()},
                                    {QStringLiteral("new"), record->title()}});
            if (!record->uniqueID().isEmpty() && record->uniqueID() != item->uniqueID())
                item->setUniqueID(record->uniqueID());
            if (item->isCategory() != record->isCategory())
                item->setIsCategory(record->isCategory());
            m_foreign.remove(item.get());
            matched.insert(record.get());
        } else if (item->isChecked()) {
            // Gone from the server, but the post holds it: it stays, marked.
            m_foreign.insert(item.get());
        } else {
            removed.append(item);
            continue;
        }
        titles.insert(item->title());
    }
    CategoryList added;
    for (const CategoryPtr& record : records) {
        if (!record || !record->isCategory() || matched.contains(record.get()) ||
            titles.contains(record->title()))
            continue;
        CategoryPtr copy = record->copy();
        copy->setIsChecked(false);
        copy->setIsPrimary(false);
        titles.insert(copy->title());
        added.append(copy);
    }
    if (!removed.isEmpty())
        m_controller->removeContent(removed);
    if (!added.isEmpty())
        m_controller->appendContent(added);
    pruneForeign();
    m_controller->contentChanged();
}

void DraftCategories::addTags(const CategoryList& tags)
{
    if (!m_controller)
        return;
    const CategoryList list = m_controller->content();
    QSet<QString> titles;
    for (const CategoryPtr& category : list)
        titles.insert(category->title().toCaseFolded());
    CategoryList added;
    for (const CategoryPtr& tag : tags) {
        if (!tag || tag->title().isEmpty() || titles.contains(tag->title().toCaseFolded()))
            continue;
        CategoryPtr copy = tag->copy();
        copy->setIsChecked(false);
        copy->setIsPrimary(false);
        titles.insert(copy->title().toCaseFolded());
        added.append(copy);
    }
    if (!added.isEmpty())
        m_controller->appendContent(added);
}

CategoryPtr DraftCategories::hasCategoryWithName(const QString& title) const
{
    if (title.isNull())
        return nullptr;
    return Genetic::findRecord(categories(), &Genetic::title, title);
}

bool DraftCategories::isForeign(const Category& category) const
{
    return m_foreign.contains(&category);
}

QString DraftCategories::foreignNote()
{
    return localized("Draft", "Not on this blog");
}

void DraftCategories::pruneForeign()
{
    QSet<const Category*> listed;
    for (const CategoryPtr& category : categories())
        listed.insert(category.get());
    m_foreign.intersect(listed);
}

void DraftCategories::focusSearchField()
{
    if (m_controller)
        m_controller->focusSearchField();
}

// --- CatsControllerDelegate
// ---------------------------------------------------------------------------

bool DraftCategories::hasCategories() const
{
    Blog* blog = categoriesBlog();
    Account* account = blog ? blog->account() : nullptr;
    PLUMETPluginProtocol* plugin = account ? account->plugin() : nullptr;
    return plugin && plugin->hasCategories();
}

bool DraftCategories::supportsPrimaryCategory() const
{
    Blog* blog = categoriesBlog();
    Account* account = blog ? blog->account() : nullptr;
    return account && account->supportsPrimaryCategory();
}

Blog* DraftCategories::categoriesBlog() const
{
    return m_draft.blog();
}

void DraftCategories::pushNewTags(const CategoryList& tags)
{
    DraftController::sharedInstance().pushNewTags(tags, &m_draft);
}

QString DraftCategories::noteFor(const Category& category) const
{
    return isForeign(category) ? foreignNote() : QString();
}

void DraftCategories::pushOldTags(const CategoryList& tags)
{
    DraftController::sharedInstance().pushOldTags(tags, &m_draft);
}
