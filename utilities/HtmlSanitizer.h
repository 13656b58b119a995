#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

// Cleans HTML that comes from outside (the clipboard, another program) before
// it becomes part of a post: what may run or load on its own (scripts,
// styles, frames, plug-in objects, event attributes, "javascript:" and other
// addresses) goes, ordinary formatting stays. The rules are the data file
// ":/rvutilities/html-sanitizer.json", one for every road that takes HTML in.
//
// The input is read with the tokenising rules of HTML and written out again
// from what was kept: only kept tags with kept attributes, every attribute
// value quoted and escaped, every stray "<" of the text escaped, and every
// kept element closed. So whatever the input looked like, the output means to
// a browser exactly what it means here.
class HtmlSanitizer {
public:
    static constexpr auto rulesPath = ":/rvutilities/html-sanitizer.json";

    // The rules of the library's data file, read once (thread-safely).
    static const HtmlSanitizer& sharedInstance();

    // Rules from the JSON text of such a file. Text that does not read as
    // rules keeps no element at all: everything becomes text.
    explicit HtmlSanitizer(const QByteArray& rulesJson);

    // Whether the rules read (at least one element is kept).
    bool isValid() const { return !m_elements.isEmpty(); }

    // The markup with only what the rules keep, trimmed.
    QString sanitize(QStringView html) const;

    // The part of clipboard HTML that was copied: what lies between the
    // "<!--StartFragment-->" and "<!--EndFragment-->" marks when the
    // clipboard has them (from the start mark to the end without an end
    // mark), else everything.
    static QStringView clipboardFragment(QStringView html);

    // The clipboard's fragment, sanitised.
    QString sanitizeClipboard(QStringView html) const { return sanitize(clipboardFragment(html)); }

private:
    struct Tag;
    bool keepsAttribute(const QString& element, QStringView name) const;
    // The value as it is kept, or a null string when it may not be kept.
    QString keptValue(const QString& attribute, const QString& value) const;
    // False when the element keeps too little to be written (an image without its address).
    bool writeStartTag(QString& out, const Tag& tag) const;

    QSet<QString> m_removed;
    QHash<QString, QSet<QString>> m_elements;
    QSet<QString> m_everyElement;
    QStringList m_never;
    QHash<QString, QStringList> m_addresses;
    QHash<QString, QStringList> m_required;
    int m_maxDepth = 0;
};
