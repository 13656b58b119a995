#pragma once

#include "ModelTypes.h"

#include <QString>
#include <QVariantMap>

class Template;

// New drafts that other programs start: a "plumet3:" address (a browser's
// bookmarklet), an item of fields sent over the session bus, or plain text.
// What arrives comes from outside, a web page even, so it is read as text:
// addresses only when they are http or https, every value escaped before it
// fills the quote template, and the template is filled in one pass so a value
// can never bring a placeholder of its own.
namespace QuoteDraft {

// The keys of a "plumet3:" address.
struct UrlQuery {
    QString title;     // "t"
    QString url;       // "u", kept only when it is an http(s) address
    QString selection; // "s"
    QString trackback; // "p", kept only when it is an http(s) address
};

// Reads the query: the text after the first "?" (or after "plumet3:" when
// there is none) is split at "&" into key=value pairs; a key counts only when
// it matches whole, at its first occurrence; values are percent-decoded as
// UTF-8 ("+" stays "+").
UrlQuery parseUrl(const QString& text);

// The text with &, <, >, " and ' as entities: safe in text and in quoted attributes.
QString escaped(const QString& text);

// An http or https address with a host, trimmed; anything else gives "".
QString webAddress(const QString& text);

// The selected text as HTML: escaped, trimmed, in one paragraph; a blank line
// starts a new paragraph ("\n</p><p>\n"), a single newline becomes "<br />\n".
QString quoteHtml(const QString& selection);

// The values of the placeholders $title$, $url$, $quote$, $source-name$ and
// $source-url$.
struct Fields {
    QString title;
    QString url;
    QString quote;
    QString sourceName;
    QString sourceUrl;
};

// Every placeholder of `text` replaced by its value in one pass.
QString fillPlaceholders(const QString& text, const Fields& values);

// The new draft's title and body from a quote template: the title is the
// template's title with the plain values, the body "<p>&nbsp;</p>\n", the
// template's body with the escaped values (`quoteHtml` already HTML), then
// "\n<p>&nbsp;</p>".
struct Filled {
    QString title;
    QString body;
};
Filled fill(const Template* quoteTemplate, const Fields& plain, const QString& quoteHtml);

// A new entry about the page of a "plumet3:" address, from `quoteTemplate`;
// its title "Untitled" when "t" is missing or empty. A trackback address takes
// the first empty ping slot.
EntryPtr entryFromUrl(const QString& url, const Template* quoteTemplate);

// A new entry from an item of fields: "title", "description" (the quoted
// text), "summary" (when there is no description), "url" (the page),
// "sourceName", "permalink" and "link". Null when title, description,
// summary and every address are all empty.
EntryPtr entryFromItem(const QVariantMap& item, const Template* quoteTemplate);

} // namespace QuoteDraft
