#pragma once

#include <QMimeDatabase>
#include <QString>

// Tests of what a file on disk holds, by its content type.
namespace cutils {

// True for files the image readers of this system can decode; PDF documents never count.
bool isImage(const QString& path);

// True for an existing movie file: a video type by its extension (never "pdf") whose
// content does not say it is something else.
bool isMovie(const QString& path);

// The content type of a file, as QMimeDatabase finds it. A path that no file can
// have (one holding a NUL character, as a damaged stored record may) gives the
// default type without asking the database, which crashes on such a name.
QMimeType mimeTypeForFile(const QString& path,
                          QMimeDatabase::MatchMode mode = QMimeDatabase::MatchDefault);

} // namespace cutils
