// The entry fields a draft's editors show, by the keys the commit uses.
#pragma once

#include <QString>

class Entry;

namespace DraftFields {

// The keys of the three texts: "body", "extended" and "summary".
extern const QString bodyKey;
extern const QString extendedKey;
extern const QString summaryKey;

// The entry field a sub tag of the lower pane shows; empty for the plug-in pane.
QString subFieldKey(int tag);

QString entryField(const Entry& entry, const QString& field);
void setEntryField(Entry& entry, const QString& field, const QString& text);

// A text of the draft window's sheets and notices, in the user's language.
QString sheetText(const char* text);

} // namespace DraftFields
