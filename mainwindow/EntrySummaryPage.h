#pragma once

#include <QString>

class Entry;
class QPalette;

// The compact preview of an entry, shown while the preview pane is low: its
// excerpt between quotation marks, its categories between guillemets and its
// permalink. Every value is escaped before it goes into the page; the
// permalink is a link only when it leads to an http or https address.
namespace EntrySummaryPage {

// Excerpts longer than this are cut and end in an ellipsis.
inline constexpr int excerptLength = 127;

// The summary, or the body when there is none, as page text: tags removed,
// character references read, escaped again, and after 127 characters cut
// with "&#8230;". Paragraphs stay apart (a break between them, counted as one
// character); white space inside a paragraph is one space.
QString excerptHtml(const Entry& entry);
// The categories' display names, joined by ", ".
QString categoriesText(const Entry& entry);
// Where the permalink leads: with "http://" in front when it names no
// scheme; empty unless that is an http or https address.
QString permalinkTarget(const QString& permalink);

// The whole page, from a template built once, in the palette's colours (the
// application's, unless given).
QString page(const Entry& entry);
QString page(const Entry& entry, const QPalette& palette);

} // namespace EntrySummaryPage
