#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>

// Base64 (RFC 4648 alphabet) as the XML-RPC codecs and WSSE use it.
namespace rv {

// True for the 64 alphabet characters ("=" is not one of them).
bool isCharacterPartOfBase64Encoding(QChar c);

// Decodes leniently: bytes outside the alphabet are skipped, the first "=" ends the
// input, and an unpadded final group of two or three values still gives its bytes.
QByteArray dataWithBase64EncodedString(QByteArrayView ascii);
QByteArray dataWithBase64EncodedString(const QString& text);

// The Base64 text of the data. With a line length L > 0, a line feed follows each
// group of four characters that brings the line to L or more (so lines are rounded
// up to a multiple of four and the text may end with a line feed); 0 = one line.
QString base64EncodingWithLineLength(const QByteArray& data, int lineLength);

// Appends the Base64 text of the data on one line, written straight into `out`.
void appendBase64(QByteArray& out, QByteArrayView data);
// The length of the Base64 text of that many bytes (padding included).
qsizetype base64Length(qsizetype byteCount);

} // namespace rv
