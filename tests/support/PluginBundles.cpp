#include "PluginBundles.h"

#include "PropertyList.h"

#include <QDir>
#include <QFile>

namespace plumet::test {

QString makePluginBundle(const QString& folder, const QString& name, const QString& libraryPath,
                         const QString& principalClass, const QVariantMap& plistChanges)
{
    const QString bundle = QDir(folder).filePath(name);
    QDir().mkpath(bundle + QStringLiteral("/Resources"));
    const QString library = QStringLiteral("libplugin.so");
    if (!libraryPath.isEmpty())
        QFile::copy(libraryPath, QDir(bundle).filePath(library));
    QVariantMap plist{
        {QStringLiteral("CFBundleExecutable"), library},
        {QStringLiteral("NSPrincipalClass"), principalClass},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.plumet.test.") + name},
    };
    for (auto it = plistChanges.cbegin(); it != plistChanges.cend(); ++it)
        plist.insert(it.key(), it.value());
    PropertyList::writeFile(QDir(bundle).filePath(QStringLiteral("Info.plist")), plist,
                            PropertyList::Format::Xml);
    return bundle;
}

} // namespace plumet::test
