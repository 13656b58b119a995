#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// What the network console may show of a request. The bytes sent are never
// masked; only the console's copy is.

// Every occurrence of the password, as written and in its XML-escaped forms
// ("&amp;", "&lt;", "&gt;", "&quot;", "&apos;", without the characters XML
// cannot carry, as the encoder writes it), becomes one "*" per character of
// the password. An empty password masks nothing.
QString maskPassword(const QString& text, const QString& password);

// The first "<base64>" value, tags included, becomes "REMOVED" (an unclosed
// one is removed to the end).
QByteArray maskFirstBase64Value(const QByteArray& document);
QString maskFirstBase64Value(const QString& text);

// The address as text, with a password in its user info shown as "******".
QString maskedAddress(const QUrl& address);

// The console copy of a UTF-8 request document: the first Base64 value cut
// out (so that an upload is never copied whole), then the password masked.
QString maskedRequestText(const QByteArray& document, const QString& password);
// The same for a request already read as text.
QString maskedRequestText(const QString& document, const QString& password);
