#pragma once

#include <QString>

// The character references of HTML texts (post bodies, extended texts,
// excerpts) for a blog that takes only ASCII. Both directions read the text
// as HTML: the text of <script> and <style> elements and of comments is never
// parsed for references by a browser, so it is left exactly as written.
namespace rv {

// The way out: in text, stray ampersands become "&#38;" (references are
// kept); inside tags ampersands are left alone, attribute values being
// escaped already; every character outside ASCII is written as "&#N;".
QString encodeCharactersInHTML(const QString& html);

// The way back, decoding only what the way out wrote: "&#N;" of characters
// from U+00A0 on. Every other reference stays as the server holds it, so that
// "&lt;", "&amp;", "&quot;", "&#39;", "&#60;" and their kin stay text.
QString decodeCharactersInHTML(const QString& html);

} // namespace rv
