#pragma once

#include <QString>
#include <functional>

// Unpacks an update archive (tar or zip, compressed or not) with libarchive.
// Only plain folders and regular files under the one top folder "plumet" are
// accepted: an entry with an absolute path, a ".." component, a link, a device
// or anything else stops the unpack. Permissions are reduced to 0755 or 0644;
// owners and set-id bits are never restored.
namespace ArchiveUnpacker {

struct Result {
    bool unpacked = false;
    QString error; // a sentence when not unpacked
};

// Unpacks into the existing folder `destination`. `progress` receives the whole
// percentage of the archive read so far. Safe on a worker thread; on failure
// whatever was written stays for the caller to remove with the folder.
Result unpack(const QString& archivePath, const QString& destination,
              const std::function<void(int percent)>& progress = {});

} // namespace ArchiveUnpacker
