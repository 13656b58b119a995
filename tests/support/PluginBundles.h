#pragma once

#include <QString>
#include <QVariantMap>

namespace plumet::test {

// Assembles the bundle `name` in `folder` around a copy of the plug-in
// library at `libraryPath` (none when empty), with an Info.plist naming the
// principal class; `plistChanges` replace or add Info.plist keys. Answers the
// bundle's path.
QString makePluginBundle(const QString& folder, const QString& name, const QString& libraryPath,
                         const QString& principalClass, const QVariantMap& plistChanges = {});

} // namespace plumet::test
