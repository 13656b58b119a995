#pragma once

#include <QString>

// The folder of working copies, converted copies, thumbnails and poster movies
// that media attachments own ("cache" in the support folder), and the two ways
// a file gets in and out of it. Only a file an attachment made there may ever
// be deleted through an attachment: stored records carry paths anyone could
// have written.
namespace MediaCache {

// The folder, made when missing; empty when the support folder cannot be had.
QString folder();

// A fresh name for a converted copy or a thumbnail: an upper-case UUID.
QString newFileName();

// Whether `path` is a regular file standing directly in the real cache folder,
// itself no link, after resolving "." and ".." and any link in the folders
// above it.
bool isOwnedFile(const QString& path);

// Deletes `path` when it is an owned file (above); anything else stays where it
// is. Answers whether a file was deleted. Best effort: a failure is logged.
bool removeOwnedFile(const QString& path);

// Copies `source` to `target` in one step: the bytes go to a temporary file in
// the target's folder that replaces the target once all of them are on disk.
// On failure the target is untouched and *error says why.
bool copyFile(const QString& source, const QString& target, QString* error = nullptr);

} // namespace MediaCache
