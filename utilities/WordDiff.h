#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The word-level difference of two texts, as the comparison window shows it.
//
// Both texts are cut into pieces: words (letters, digits, marks and
// connectors), runs of white space, whole tags ("<p class=x>", "</p>",
// "<!-- ... -->"), whole character references ("&amp;", "&#233;", "&#xE9;")
// and every other character on its own. The pieces are compared with Myers'
// algorithm in linear space; pieces found in one text only never take part in
// the search. A search that grows too costly settles for a good split instead
// of the best one, and a whole comparison that exceeds its work budget shows
// what remains as replaced, so time and memory stay bounded however much the
// texts differ.
namespace rv {

struct WordDiffLimits {
    // Steps (diagonals tried and pieces compared) one comparison may take.
    qint64 workBudget = 16'000'000;
};

// The pieces of a text, in order; together they are the whole text.
QList<QStringView> wordDiffPieces(QStringView text);

// The difference from `before` to `after` as an HTML fragment: pieces only in
// `before` inside <del>, pieces only in `after` inside <ins>, shared pieces as
// they stand. Every piece is HTML-escaped, so the fragment holds no markup but
// those four tags whatever the texts hold. A run of white space alone between
// two changes joins them, which reads better than a change every other word.
QString wordDiff(QStringView before, QStringView after, const WordDiffLimits& limits = {});

} // namespace rv
