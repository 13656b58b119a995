// Whether an entry differs from its last saved copy.
#include "EntryComparison.h"

#include "Category.h"
#include "Entry.h"
#include "Ping.h"
#include "StringExtensions.h"

namespace {

using StoredValue::isNil;

bool categoriesMatch(const CategoryList& left, const CategoryList& right)
{
    if (left.size() != right.size())
        return false;
    for (qsizetype i = 0; i < left.size(); ++i) {
        const Category& a = *left[i];
        const Category& b = *right[i];
        if (a.title() != b.title() || a.isChecked() != b.isChecked() ||
            a.isPrimary() != b.isPrimary() || a.isTag() != b.isTag() ||
            a.isCategory() != b.isCategory())
            return false;
    }
    return true;
}

// "Different only when both are set and unequal".
bool bothSetAndDiffer(const QVariant& left, const QVariant& right)
{
    return !isNil(left) && !isNil(right) && left != right;
}

} // namespace

bool EntryComparison::differs(const Entry& entry, const Entry& saved)
{
    if (!rv::isEqualToTrimmed(entry.title(), saved.title()) ||
        !rv::isEqualToTrimmed(entry.body(), saved.body()) ||
        !rv::isEqualToTrimmed(entry.extended(), saved.extended()) ||
        !rv::isEqualToTrimmed(entry.summary(), saved.summary()))
        return true;
    if (entry.keywords() != saved.keywords())
        return true;
    if (entry.entryDate() != saved.entryDate())
        return true;
    if (bothSetAndDiffer(entry.commentOption(), saved.commentOption()) ||
        bothSetAndDiffer(entry.trackbackOption(), saved.trackbackOption()))
        return true;
    if (!entry.m_format.isNull() && !saved.m_format.isNull() && entry.m_format != saved.m_format)
        return true;
    if (entry.m_categories.has_value() != saved.m_categories.has_value())
        return true;
    if (entry.m_categories && !categoriesMatch(*entry.m_categories, *saved.m_categories))
        return true;
    if (entry.m_attachments.value_or(QStringList()) != saved.m_attachments.value_or(QStringList()))
        return true;
    // Trackback addresses and the draft switch are set only in the editor, so
    // an edit of either alone must not be dropped on close. "Being deleted"
    // marks a deletion under way, not an edit.
    if (Ping::addressesOf(entry.pingUris()) != Ping::addressesOf(saved.pingUris()) ||
        (entry.flag() & ~Entry::BeingDeleted) != (saved.flag() & ~Entry::BeingDeleted))
        return true;
    if (entry.m_events && saved.m_events && entry.m_events->size() != saved.m_events->size())
        return true;
    if (entry.m_reviews && saved.m_reviews && entry.m_reviews->size() != saved.m_reviews->size())
        return true;
    if (entry.m_pluginSettings &&
        (!saved.m_pluginSettings || *entry.m_pluginSettings != *saved.m_pluginSettings))
        return true;
    return false;
}
