#pragma once

#include <QString>

// A file reference names one existing file system object; here it is the
// object's canonical path (absolute, no "." or "..", no symbolic links), so
// two references to the same object compare equal.
namespace FileReference {

// The reference of the object at `path`, or empty when nothing exists there.
QString fileReference(const QString& path);

// Whether `path` already is the reference of an existing object: absolute,
// clean and free of symbolic links in every component.
bool isFileReference(const QString& path);

} // namespace FileReference
