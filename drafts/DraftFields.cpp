// The entry fields a draft's editors show, by the keys the commit uses.
#include "DraftFields.h"

#include "Draft.h"
#include "Entry.h"
#include "Localization.h"

namespace DraftFields {

const QString bodyKey = QStringLiteral("body");
const QString extendedKey = QStringLiteral("extended");
const QString summaryKey = QStringLiteral("summary");

QString subFieldKey(int tag)
{
    switch (tag) {
    case Draft::ExtendedTag:
        return extendedKey;
    case Draft::SummaryTag:
        return summaryKey;
    default:
        return {};
    }
}

QString entryField(const Entry& entry, const QString& field)
{
    if (field == bodyKey)
        return entry.body();
    if (field == extendedKey)
        return entry.extended();
    if (field == summaryKey)
        return entry.summary();
    return {};
}

void setEntryField(Entry& entry, const QString& field, const QString& text)
{
    if (field == bodyKey)
        entry.setBody(text);
    else if (field == extendedKey)
        entry.setExtended(text);
    else if (field == summaryKey)
        entry.setSummary(text);
}

QString sheetText(const char* text)
{
    return localized("Draft", text);
}

} // namespace DraftFields
