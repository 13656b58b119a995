#pragma once

#include <QString>

// HTML checking and pretty-printing with HTML Tidy (tidy-html5). Each call makes
// and frees its own Tidy document, so calls are independent.
class HtmlTidy {
public:
    struct Validation {
        bool valid = false;
        // Tidy's lines, with line numbers counted from the first line of the HTML.
        QString report;
        // The repaired HTML; empty when Tidy could not produce it.
        QString fixedHTML;
    };

    // Missing alt texts, table summaries and embed elements are not reported.
    static Validation validate(const QString& html);
    // The HTML re-indented; the input unchanged when Tidy fails.
    static QString prettyPrint(const QString& html);
};
