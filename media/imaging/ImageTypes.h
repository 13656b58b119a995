#pragma once

#include <QByteArray>
#include <QString>

// The picture types by their uniform type identifiers ("public.jpeg"), with
// Qt's format names, file-name extensions and MIME types.
namespace ImageTypes {

// The type of a Qt format name ("jpeg" → "public.jpeg"); empty when unknown.
QString typeForFormat(const QByteArray& format);
// Qt's format name, the extension ("jpeg" for JPEG) and the MIME type of a
// type; empty when unknown.
QByteArray qtFormat(const QString& type);
QString extension(const QString& type);
QString mimeType(const QString& type);

} // namespace ImageTypes
