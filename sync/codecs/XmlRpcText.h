#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVariant>

// The text and number readings of XML-RPC element content, shared by the
// value reader's passes.
namespace XmlRpcText {

// The leading integer of the text ("42abc" is 42, "abc" is 0); saturates
// instead of wrapping.
qint64 leadingInteger(QStringView text);
// An "int": int when it fits, else qint64.
QVariant integerValue(QStringView text);
// A "double"; its leading integer when it does not read as a number.
QVariant realValue(QStringView text);

// The text of element content that expat has already read and found well
// formed, holding character data and references only: references resolved
// and line ends made "\n", as expat reports them.
QString contentText(QByteArrayView raw);
// Whether the content is its own text byte for byte.
bool isPlainContent(QByteArrayView raw);

} // namespace XmlRpcText
