#pragma once

#include <QByteArray>
#include <QString>

// Request bodies that carry a whole file as Base64 without holding the file
// twice: the request is written around a stand-in, and the file's Base64 then
// takes the stand-in's place, read from the file piece by piece straight
// into the one buffer the body needs.
namespace UploadBody {

// Fresh random bytes whose Base64 stands for the file's in the request.
QByteArray standIn();

// `document` with the file's Base64 (one line, padded) in place of the stand-in's
// Base64 `marker`. Empty when the marker is not in the document exactly once,
// or when the file cannot be read whole.
QByteArray spliced(const QByteArray& document, const QByteArray& marker, const QString& filePath);

} // namespace UploadBody
