// Copies of an entry: a draft's saved state and its restore, and the move of an entry into another
// blog.
#include "EntryCopying.h"

#include "Account.h"
#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "EntryOwner.h"
#include "Format.h"
#include "Localization.h"
#include "Ping.h"

namespace {

template <class List> std::optional<List> recordCopies(const std::optional<List>& list)
{
    if (!list)
        return std::nullopt;
    List copies;
    copies.reserve(list->size());
    for (const auto& record : *list)
        copies.append(record ? record->copy() : record);
    return copies;
}

QList<FormatPtr> accountFormats(const EntryOwner* owner)
{
    const auto* blog = dynamic_cast<const Blog*>(owner);
    const Account* account = blog ? blog->account() : nullptr;
    return account ? account->formats().value_or(QList<FormatPtr>()) : QList<FormatPtr>();
}

// A format key or title of `source`'s account as `target`'s account knows it.
QString mappedFormat(const QString& format, const EntryOwner* source, const EntryOwner* target)
{
    if (format.isEmpty() || (source && source->accountID() == target->accountID()))
        return format;
    const QList<FormatPtr> there = accountFormats(target);
    if (Genetic::findRecord(there, &Genetic::uniqueID, format))
        return format;
    QString title = format;
    if (const FormatPtr here =
            Genetic::findRecord(accountFormats(source), &Genetic::uniqueID, format))
        title = here->title();
    const FormatPtr named = Genetic::findRecord(there, &Genetic::title, title);
    return named ? named->uniqueID() : QLatin1String("");
}

} // namespace

void EntryCopying::mapOntoBlog(Entry& entry, const EntryOwner* source, const EntryOwner* target)
{
    if (!target || source == target)
        return;
    if (entry.m_categories) {
        const auto* blog = dynamic_cast<const Blog*>(target);
        const CategoryList records = blog ? blog->categories() : CategoryList();
        for (const CategoryPtr& category : std::as_const(*entry.m_categories)) {
            if (!category)
                continue;
            if (const CategoryPtr record =
                    Genetic::findRecord(records, &Genetic::title, category->title())) {
                category->setUniqueID(record->uniqueID());
                category->setIsTag(record->isTag());
                category->setIsCategory(record->isCategory());
            } else if (!category->uniqueID().isEmpty()) {
                category->setUniqueID(QString());
            }
        }
    }
    if (!entry.m_format.isNull())
        entry.setFormat(mappedFormat(entry.m_format, source, target));
}

void EntryCopying::carryEdits(Entry& moved, const Entry& edited)
{
    copyFields(moved, edited, true, false);
    mapOntoBlog(moved, edited.parentBlog(), moved.parentBlog());
}

void EntryCopying::copyFields(Entry& target, const Entry& source, bool materialise, bool identity)
{
    if (identity)
        target.setUniqueID(source.uniqueID());
    target.setTitle(source.title());
    target.setDisplayName(source.displayName());
    target.setBody(source.body());
    target.setExtended(source.extended());
    target.setSummary(source.summary());
    target.setKeywords(source.keywords());
    if (identity) {
        target.setPermaLink(source.permaLink());
        target.setEditURI(source.editURI());
    }
    target.setFormat(materialise ? source.format() : source.m_format);
    target.setAuthor(source.author());
    target.setCategories(recordCopies(source.m_categories));
    target.setAttachments(source.attachments());
    target.setPingUris(
        recordCopies(materialise ? std::optional<PingList>(source.pingUris()) : source.m_pingUris));
    target.setEvents(source.events());
    target.setReviews(source.reviews());
    target.setEntryDate(materialise ? source.entryDate() : source.m_entryDate);
    if (identity)
        target.setFlag(materialise ? std::optional<int>(source.flag()) : source.m_flag);
    target.m_editMode.reset(); // the copy's value is taken even when of the same truth value
    target.setEditMode(materialise ? std::optional<int>(source.editMode()) : source.m_editMode);
    target.m_hasCustomDate.reset();
    target.setHasCustomDate(materialise ? std::optional<bool>(source.hasCustomDate())
                                        : source.m_hasCustomDate);
    // Options are copied as stored: one the entry leaves to its blog stays inherited.
    target.setCommentOption(source.m_commentOption);
    target.setTrackbackOption(source.m_trackbackOption);
    target.setPingOption(source.m_pingOption);
    target.setNotifyOption(source.m_notifyOption);
    target.setSmartOption(source.m_smartOption);
    target.setPluginSettings(materialise ? std::optional<QVariantMap>(source.pluginSettings())
                                         : source.m_pluginSettings);
}

EntryPtr EntryCopying::copy(const Entry& entry)
{
    // A bare record: the copy stands outside the blog, and were it to answer
    // "findAndOpenEntry" a request would open a second draft on it.
    auto copy = std::make_shared<Entry>();
    copyFields(*copy, entry, true);
    copy->setParentBlog(entry.parentBlog());
    copy->setNeedsSave(entry.needsSave());
    return copy;
}

void EntryCopying::restore(Entry& entry, const Entry& saved)
{
    copyFields(entry, saved, false);
    entry.setParentBlog(saved.parentBlog());
    entry.setNeedsSave(saved.needsSave());
}

EntryPtr EntryCopying::moveToBlog(Entry& entry, EntryOwner* target, QString* error)
{
    EntryOwner* source = entry.parentBlog();
    if (!target) {
        if (error)
            *error = localized("Entry", "There is no blog to move the entry to.");
        return nullptr;
    }
    // Moving a local-only entry into its own blog would write its file and then
    // delete that same file.
    if (target == source)
        return entry.weak_from_this().lock();
    const bool localOnly = entry.hasFlag(Entry::LocalOnly);
    auto moved = Entry::create();
    const QString freshID = moved->uniqueID();
    copyFields(*moved, entry, true);
    moved->setUniqueID(localOnly ? entry.uniqueID() : freshID);
    moved->setPermaLink(QString());
    moved->setEditURI(QString());
    moved->setNeedsSave(true);
    moved->setFlag(Entry::LocalOnly);
    moved->setParentBlog(target);
    if (entry.hasFlag(Entry::IsPage) && target->capabilities().supportsPages)
        moved->addFlag(Entry::IsPage);
    mapOntoBlog(*moved, source, target);

    target->addEntry(moved);
    if (!localOnly) {
        emit entry.movedTo(moved);
        return moved;
    }

    // The moved entry reaches the disk before the old file goes, so a crash or a
    // full disk in between leaves the post in at least one place.
    QString reason;
    if (!target->saveEntry(moved.get(), &reason)) {
        target->removeEntry(moved.get());
        if (error)
            *error = localized("Entry", "The entry could not be moved: %1").arg(reason);
        return nullptr;
    }
    // Keeps the entry alive while its old blog lets it go.
    const EntryPtr self = entry.weak_from_this().lock();
    emit entry.movedTo(moved);
    // Two blogs of one identifier share a folder: the file just written is the
    // entry's own, and must stay.
    const QString written = target->entryFilePath(*moved);
    if (source && !written.isEmpty() && source->entryFilePath(entry) == written)
        source->removeEntryKeepingFile(&entry);
    else if (source)
        source->removeEntry(&entry);
    return moved;
}
