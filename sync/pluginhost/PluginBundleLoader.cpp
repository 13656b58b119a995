#include "PluginBundleLoader.h"

#include "PLUMETAddonProtocol.h"
#include "PLUMETFormatterProtocol.h"
#include "PLUMETPluginProtocol.h"
#include "PLUMETPreferences.h"
#include "PLUMETUploaderProtocol.h"
#include "PluginPreferences.h"
#include "PluginsLog.h"
#include "PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPluginLoader>
#include <QStandardPaths>

namespace {

QString bundleName(const QString& bundlePath)
{
    return QFileInfo(bundlePath).fileName();
}

} // namespace

PluginBundleLoader::PluginBundleLoader(Kind kind)
    : m_kind(std::move(kind)), m_builtInFolder(defaultBuiltInFolder()),
      m_userFolder(defaultUserFolder(m_kind.userSubfolder))
{
}

PluginBundleLoader::~PluginBundleLoader() = default;

QString PluginBundleLoader::defaultBuiltInFolder()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString installed = programDir.absoluteFilePath(QStringLiteral("../lib/plumet/plugins"));
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    // Programs and tests of a build tree sit one level below the build folder.
    return QDir::cleanPath(programDir.absoluteFilePath(QStringLiteral("../plugins")));
}

QString PluginBundleLoader::defaultUserFolder(const QString& subfolder)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return {};
    const QString folder = dataHome + QStringLiteral("/plumet3/") + subfolder;
    if (!QDir().mkpath(folder))
        return {};
    return folder;
}

QStringList PluginBundleLoader::bundlesIn(const QString& folder) const
{
    if (folder.isEmpty())
        return {};
    QStringList bundles;
    const QDir dir(folder);
    const QString suffix = QLatin1Char('.') + m_kind.extension;
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Unsorted)) {
        // The extension must match exactly: "Foo.BlogSystem" is not a blog system.
        if (name.endsWith(suffix, Qt::CaseSensitive) && name.size() > suffix.size())
            bundles << dir.absoluteFilePath(name);
    }
    return bundles;
}

void PluginBundleLoader::refuse(const QString& bundlePath, const QString& reason)
{
    const QString message =
        QCoreApplication::translate("PluginManager", "The plug-in \"%1\" was not loaded: %2")
            .arg(bundleName(bundlePath), reason);
    qCWarning(lcPlugins).noquote() << message << "(" << bundlePath << ")";
    m_loadErrors << message;
}

std::optional<PluginBundleLoader::Kind>
PluginBundleLoader::kindForExtension(const QString& extension)
{
    static const Kind kinds[] = {
        {QStringLiteral("blogsystem"), QStringLiteral("blogsystems"),
         QStringLiteral(PLUMETPluginProtocol_iid)},
        {QStringLiteral("addon"), QStringLiteral("addons"),
         QStringLiteral(PLUMETAddonProtocol_iid)},
        {QStringLiteral("uploader"), QStringLiteral("uploaders"),
         QStringLiteral(PLUMETUploaderProtocol_iid)},
        {QStringLiteral("formatter"), QStringLiteral("formatters"),
         QStringLiteral(PLUMETFormatterProtocol_iid)},
    };
    for (const Kind& kind : kinds) {
        if (kind.extension == extension)
            return kind;
    }
    return std::nullopt;
}

PluginBundleLoader::Inspection PluginBundleLoader::inspect(const QString& bundlePath,
                                                           const Kind& kind)
{
    Inspection result;
    const auto fail = [&result](const QString& reason) {
        result.error = reason;
        return result;
    };
    if (!QFileInfo(bundlePath).isDir())
        return fail(QCoreApplication::translate("PluginManager", "it is not a folder."));
    QString plistError;
    const QVariant info = PropertyList::readFile(
        QDir(bundlePath).filePath(QStringLiteral("Info.plist")), &plistError, 1024 * 1024);
    if (info.typeId() != QMetaType::QVariantMap)
        return fail(
            QCoreApplication::translate("PluginManager", "its Info.plist can't be read (%1).")
                .arg(plistError));
    const QVariantMap plist = info.toMap();
    result.identifier = plist.value(QStringLiteral("CFBundleIdentifier")).toString();
    result.name = plist.value(QStringLiteral("CFBundleName")).toString();
    if (result.name.isEmpty())
        result.name = QFileInfo(bundlePath).completeBaseName();
    result.displayName = plist.value(QStringLiteral("CFBundleDisplayName")).toString().simplified();
    result.version = plist.value(QStringLiteral("CFBundleShortVersionString")).toString();
    if (result.version.isEmpty())
        result.version = plist.value(QStringLiteral("CFBundleVersion")).toString();
    const QString executable = plist.value(QStringLiteral("CFBundleExecutable")).toString();
    result.principalClass = plist.value(QStringLiteral("NSPrincipalClass")).toString();
    // The library must sit in the bundle itself: no paths, no way out of the folder.
    if (executable.isEmpty() || executable.contains(QLatin1Char('/')) ||
        executable == QLatin1String("..") || executable == QLatin1String("."))
        return fail(QCoreApplication::translate("PluginManager",
                                                "its Info.plist names no library in the bundle."));
    if (result.principalClass.isEmpty())
        return fail(QCoreApplication::translate("PluginManager",
                                                "its Info.plist names no principal class."));
    const QString library = QDir(bundlePath).filePath(executable);
    if (!QFileInfo(library).isFile())
        return fail(QCoreApplication::translate("PluginManager", "its library \"%1\" is missing.")
                        .arg(executable));

    // Qt reads the metadata from the file without running any of its code.
    QPluginLoader loader(library);
    const QJsonObject metaData = loader.metaData();
    if (metaData.isEmpty())
        return fail(QCoreApplication::translate("PluginManager",
                                                "its library is not a plumet plug-in (%1).")
                        .arg(loader.errorString()));
    const QString iid = metaData.value(QStringLiteral("IID")).toString();
    if (iid != kind.interfaceId)
        return fail(
            QCoreApplication::translate(
                "PluginManager", "its library is a plug-in of another kind (%1), not a \"%2\".")
                .arg(iid, kind.extension));
    const QString className = metaData.value(QStringLiteral("className")).toString();
    if (className != result.principalClass)
        return fail(QCoreApplication::translate(
                        "PluginManager",
                        "its Info.plist names the class \"%1\" but its library holds \"%2\".")
                        .arg(result.principalClass, className));
    result.libraryPath = library;
    return result;
}

QObject* PluginBundleLoader::openBundle(const QString& bundlePath)
{
    const Inspection inspection = inspect(bundlePath, m_kind);
    if (!inspection.ok()) {
        refuse(bundlePath, inspection.error);
        return nullptr;
    }
    auto loader = std::make_unique<QPluginLoader>(inspection.libraryPath);
    QObject* instance = loader->instance();
    if (!instance) {
        refuse(bundlePath,
               QCoreApplication::translate("PluginManager", "its library can't be loaded (%1).")
                   .arg(loader->errorString()));
        return nullptr;
    }
    if (auto* client = qobject_cast<PLUMETPreferencesClient*>(instance))
        client->setPreferences(&PluginPreferences::sharedInstance());
    m_loaders.push_back(std::move(loader));
    if (!inspection.displayName.isEmpty())
        m_displayNames.insert(instance, inspection.displayName);
    return instance;
}
