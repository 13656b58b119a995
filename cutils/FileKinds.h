#pragma once

#include <QString>

// Tests of what a file on disk holds, by its content type.
namespace cutils {

// True for files the image readers of this system can decode; PDF documents never count.
bool isImage(const QString& path);

// True for an existing movie file: a video type by its extension (never "pdf") whose
// content does not say it is something else.
bool isMovie(const QString& path);

} // namespace cutils
