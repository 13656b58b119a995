#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// Page text of unknown character set: pure decoding, no network. The page
// fetches that use it are in URLUtilities.h of the network library.
namespace URLUtilities {
// Decodes bytes: a byte-order mark decides first; then UTF-8, ISO 8859-1 and
// the other candidate sets in turn; then the charset named by an XML
// declaration, when it is known and decodes the bytes, wins. Null only for
// bytes no candidate accepts (ISO 8859-1 accepts all).
QString textFromData(const QByteArray& data);

// The same text as UTF-8 bytes, with everything up to the end of the XML
// declaration replaced by one that says "utf-8". Undecodable bytes come back as they are.
QByteArray correctEncoding(const QByteArray& data);

// Bytes whose XML declaration names a character set other than UTF-8 that
// reads them, as UTF-8 with a declaration that says so; nothing when there is
// no declaration, it names UTF-8, or its set is unknown or does not read the
// bytes. Nothing is guessed: what the server declared counts.
std::optional<QByteArray> utf8FromDeclaredCharset(const QByteArray& data);

// Decodes strictly with a named (IANA) character set; nullopt when the name
// is unknown or the bytes are not valid in it.
std::optional<QString> decode(const QByteArray& data, const QByteArray& charset);

// The charset named in an XML declaration at the start of `text`, lower case; empty when none.
QByteArray declaredCharset(const QString& text);

// An address typed or stored as text, percent-escaped as UTF-8 with "#" and
// "%" left alone so that escapes already present survive.
QUrl urlFromAddress(const QString& address);

} // namespace URLUtilities
