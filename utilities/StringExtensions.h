#pragma once

#include "Color.h"
#include "StringEncoding.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QUrl>
#include <optional>

// The text toolbox of plumet: URL building and checking, whitespace and tag
// trimming, the small XML escape set, digests, feed dates and CSS colours.
// Every function takes its input by value and returns a new value.
namespace rv {

// --- comparisons and tests ---------------------------------------------------

// Case-insensitive equality.
bool isSortaEqualTo(const QString& text, const QString& other);
// Equality after trimming whitespace and newlines from both ends of both texts.
bool isEqualToTrimmed(const QString& text, const QString& other);
// Case-insensitive "contains".
bool substr(const QString& text, const QString& part);
// True when the text mentions an image or movie file extension anywhere.
bool imageURL(const QString& text);
// True when the text begins with a scheme we accept for links.
bool validURLScheme(const QString& text);

// --- trimming and whitespace -------------------------------------------------

// Drops every punctuation and whitespace character.
QString trimNonLetters(const QString& text);
QString trimWhitespace(const QString& text);
// Replaces every tag by one space; an unclosed tag swallows the rest.
QString trimHTML(const QString& text);
// One-line summary: runs of blank lines and spaces collapsed, lines joined by "... ".
QString whiteWash(const QString& text);
// Line breaks and tabs to spaces, runs of spaces to one space (ends are kept).
QString reduceAllWhiteSpace(const QString& text);

// --- digests -----------------------------------------------------------------

// 32 lower-case hex digits of the MD5 of the UTF-8 bytes. Names files on disk.
QString MD5(const QString& text);
// Raw 20-byte SHA-1 digest.
QByteArray SHA1(const QByteArray& bytes);
// A quick 64-bit hash of the bytes (XXH64, seed 0), to tell whether bytes
// are the same as before; no defence against anyone crafting collisions.
quint64 contentHash64(QByteArrayView bytes);
// Base64 (one line) of the SHA-1 of the bytes.
QString createWSSE(const QByteArray& bytes);
// Same over the text's UTF-8 bytes.
QString createWSSE(const QString& text);

// --- XML escapes -------------------------------------------------------------

// "&", "<", ">" and the double quote escaped; the apostrophe is left alone.
QString encodeXML(const QString& text);
// The XML escapes and their common numeric forms decoded. "&amp;" is decoded
// before the numeric forms, so "&amp;#38;" ends as "&".
QString decodeXML(const QString& text);
// The one entity name the text holds, decoded (see convertSingleEntity).
QString decodeXMLEntity(const QString& text);
inline QString stringWithCharactersEncoded(const QString& text)
{
    return encodeCharacters(text);
}
inline QString stringWithEntitiesConverted(const QString& text)
{
    return convertEntities(text);
}

// --- URLs --------------------------------------------------------------------

// Base and component joined by exactly one "/".
QString stringByAppendingURLComponent(const QString& base, const QString& component);
// The text before the last "/" component ("" when there is no "/").
QString stringByDeletingLastURLComponent(const QString& text);
// The text percent-escaped in UTF-8 and made a URL. Characters in legalCharacters,
// valid "%XX" escapes, the fragment's "#" and the brackets of an IPv6 host stay
// as they are. An invalid QUrl when no URL can be made.
QUrl escapedURL(const QString& text, const QString& legalCharacters = QString());
// The URL a pasted text stands for: only URL characters and at least one "."; XML-escaped,
// and "http://" put in front when it has no ":". Empty when the text is no URL.
std::optional<QString> URLFromClipboardText(const QString& text);
// URLFromClipboardText over the clipboard's plain text (needs a QGuiApplication).
std::optional<QString> URLWithClipboard();

// --- dates and colours -------------------------------------------------------

// An ISO 8601 / W3C date-time as feeds and XML-RPC answers give it, in local time.
// "Z" means UTC; a numeric offset is honoured. Other forms are read leniently
// (RFC 2822, ISO without zone, XML-RPC's "yyyyMMddTHH:mm:ss"). Invalid when unreadable.
QDateTime parseDate(const QString& text);

// The offset from UTC, in seconds, that a wall-clock time has in the zone. A
// time shown twice (clocks going back) takes the first; a time skipped when
// clocks go forward takes the offset in force before the change, so that it
// reads as the time that far past the change.
int wallClockOffset(const QTimeZone& zone, QDate date, QTime time);

// A CSS colour: one of the sixteen HTML names (exact case), "#" and a hex number,
// or "rgb(r, g, b)" / "rgba(r, g, b, a)" with every value out of 255.
std::optional<Color> colorFromCSSColorSpec(const QString& text);

} // namespace rv
