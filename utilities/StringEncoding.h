#pragma once

#include <QString>
#include <optional>

// Conversions between plain text and HTML/XML character references.
namespace rv {

// Decodes every named (HTML 4) and numeric character reference. A reference
// decodes to one full code point; 0, surrogates and values above U+10FFFF give
// U+FFFD; decimal references 128-159 are read as Windows-1252, as browsers do.
// A ";" is consumed only when present. Unknown names and stray "&" stay as written.
QString convertEntities(const QString& text);
// Decodes one entity name given without "&" and ";": "eacute", "#233", "#xE9" -> "é".
// An unknown name (or malformed number) is returned unchanged.
QString convertSingleEntity(const QString& name);
// The XML entity names lt, gt, quot, apos, amp, #13 and #38 decoded; anything else unchanged.
QString deXMLSingleEntity(const QString& name);

// "&", "<", ">", the double quote and the apostrophe escaped.
QString enXML(const QString& text);
// The five XML escapes and "&#13;" decoded; "&#38;" only when the text holds no "&amp;".
QString deXML(const QString& text);

// Every "&" that does not begin a character reference of 3 to 9 characters
// between "&" and ";" written as "&#38;".
QString escapeStrayAmpersands(const QString& text);
// Every code point above 127 written as "&#N;" (one reference per code point).
QString encodeNonASCII(const QString& text);
// For servers that need pure ASCII: stray ampersands become "&#38;" (character
// references are kept) and every non-ASCII character is written by number.
QString encodeCharacters(const QString& text);
// Removes what XML cannot carry: C0 controls other than tab, LF and CR, lone
// surrogates and non-characters. Code points not yet assigned are kept.
QString removeControlChars(const QString& text);
// Whether the text holds a C0 control other than tab, LF and CR. Eight
// characters at a time: entry texts run long and rarely hold one.
bool containsControlChars(QStringView text);

// Deletes every tag; a "<" without a following ">" deletes to the end.
QString stripHTML(const QString& text);
// Inside tags, carriage returns and line feeds become spaces.
QString removeBreaksInTags(const QString& text);
// The plain text of an HTML fragment.
QString renderHTML(const QString& html);

// Plain text as HTML that shows it: lines separated by blank lines (or lines
// of white space only) become paragraphs, single line breaks "<br>", and
// "&", "<", ">" and the double quote are escaped. Blank text gives "".
QString htmlFromPlainText(QStringView text);

// The text as a link when it holds only URL characters, with "http://" put in front
// when it has no "://"; empty when it holds anything else.
std::optional<QString> validURL(const QString& text);

} // namespace rv
