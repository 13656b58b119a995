#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Writing text into XML: the codecs' one escaper.

enum class XmlQuotes {
    None,   // element text: only "&", "<" and ">"
    Double, // attribute values written in double quotes: also "\""
    All,    // also "'"
};

// Appends the text with "&", "<", ">" (and the quotes asked for) escaped, and
// without the characters XML 1.0 cannot carry (lone surrogates included),
// since one of them makes the whole document unreadable.
void appendXmlEscaped(QString& out, QStringView text, XmlQuotes quotes = XmlQuotes::None);
QString xmlEscaped(QStringView text, XmlQuotes quotes = XmlQuotes::None);
// The same, appended as UTF-8.
void appendXmlEscaped(QByteArray& out, QStringView text, XmlQuotes quotes = XmlQuotes::None);
