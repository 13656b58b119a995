#pragma once

#include <QString>
#include <QVariant>

// Small conversions the preference and list windows bind through.

// The name a person reads for the font of that name (family and style), at 12 points.
QString fontDisplayName(const QString& fontName);

// Plain text to a rich-text value without any formatting (a
// QTextDocumentFragment); anything but text gives an invalid value.
QVariant attributedFromString(const QVariant& value);
// Back: the fragment's plain text; anything else gives an invalid value.
QVariant stringFromAttributed(const QVariant& value);
