#pragma once

#include <QString>
#include <sys/types.h>

// Copies a folder of plain folders and regular files, as the privileged
// helper does before it swaps: links are never followed (a link, device or
// pipe anywhere stops the copy), modes become 0755 or 0644 and the copies get
// the given owner. Answers an empty string, or why the copy stopped.
namespace TreeCopy {

QString copyTree(const QString& from, const QString& to, uid_t owner, gid_t group);

} // namespace TreeCopy
