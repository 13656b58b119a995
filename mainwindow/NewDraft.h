#pragma once

#include <QString>

class Entry;
class QMimeData;

// The rules every road that makes a new draft shares: the flag it starts with
// and the process-wide "Untitled %d" numbering.
namespace NewDraft {

// 1 (local only) when the blog publishes at once, else 3 (local only, kept
// as a draft on the server); a page adds 16.
int flagFor(bool blogPublishOption, bool isPage);

// "Untitled 1", "Untitled 2", ... : one counter for the whole process, shared
// by the New Draft command and the drafts other programs hand over.
QString nextUntitledTitle();

// The number the next untitled draft takes.
int peekUntitledNumber();

// A prepared entry handed over by another part becomes a new one: a fresh
// identifier and the date now.
void renew(Entry& entry);

// The body of a draft made from the clipboard (or from text another program
// sends): its HTML sanitised, else its plain text as escaped paragraphs; ""
// when neither gives anything.
QString bodyFromMimeData(const QMimeData& data);

} // namespace NewDraft
