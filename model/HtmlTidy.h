#pragma once

#include <QString>
#include <functional>

class QObject;

// HTML checking and pretty-printing with HTML Tidy (tidy-html5). Each call makes
// and frees its own Tidy document, so calls are independent and may run on any
// thread.
//
// Tidy recurses once per nesting level, its pretty-printing grows with depth times
// length, and it compares each attribute of a tag with the others, so HTML above a
// size, nesting or attribute bound is not handed to it: it is kept as it is and
// reported as not checked. The calls the user waits on run Tidy
// on a worker with a time limit.
class HtmlTidy {
public:
    static constexpr qsizetype MaxInputBytes = 2 * 1024 * 1024;
    static constexpr int MaxNesting = 256;
    // Attributes (or what Tidy takes for them) within one tag.
    static constexpr int MaxAttributes = 1000;
    static constexpr int DefaultTimeLimitMs = 5000;

    struct Validation {
        bool valid = false;
        // False when Tidy was not asked (too large, too deep, too slow): the HTML is
        // then taken as it is and `report` says why.
        bool checked = true;
        // Tidy's lines, with line numbers counted from the first line of the HTML.
        QString report;
        // The repaired HTML; empty when Tidy could not produce it.
        QString fixedHTML;
    };

    // Missing alt texts, table summaries and embed elements are not reported.
    static Validation validate(const QString& html);
    // The HTML re-indented; the input unchanged when Tidy fails, when the HTML is
    // beyond the bounds or when the indented text would be far larger than it.
    static QString prettyPrint(const QString& html);

    // The same on a worker thread; `done` runs once on `context`'s thread with the
    // answer, or with the HTML taken unchecked when Tidy has not answered within the
    // time limit. Nothing runs when `context` is gone first.
    static void validateLater(const QString& html, QObject* context,
                              std::function<void(const Validation&)> done,
                              int timeLimitMs = DefaultTimeLimitMs);
    static void prettyPrintLater(const QString& html, QObject* context,
                                 std::function<void(const QString&)> done,
                                 int timeLimitMs = DefaultTimeLimitMs);
};
