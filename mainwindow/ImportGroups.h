#pragma once

#include <QMap>
#include <QStringList>
#include <QVariantList>

// The previous version's entries grouped by the blog they came from, for the
// import window: one group per "<blog name> (<address>)", the entries in
// list order. Entries that lack either "url" or "blogname" are left out.
namespace ImportGroups {

QMap<QString, QVariantList> group(const QVariantList& entries);
// The group names as the import window lists them: letter case ignored.
QStringList sortedNames(const QMap<QString, QVariantList>& groups);

} // namespace ImportGroups
