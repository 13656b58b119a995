// Names the user types for tags, made fit to send: the blog sends its tags
// as one comma list, so a comma separates names, and control characters
// (a pasted tab or line break) never reach a server.
#pragma once

#include <QString>
#include <QStringList>

namespace TagNames {

// The text without control characters.
QString withoutControls(const QString& text);
// The names in a typed text: split at commas, control characters dropped,
// trimmed, empty pieces left out, and each name once (case aside; the
// first spelling wins).
QStringList piecesOf(const QString& typed);
// The title folded for comparisons that ignore case.
QString folded(const QString& title);

} // namespace TagNames
