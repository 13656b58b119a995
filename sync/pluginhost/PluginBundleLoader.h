#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QObject;
class QPluginLoader;

// Finds and opens plug-in bundles of one kind. A bundle is a folder
// "NAME.KIND" holding an Info.plist, the plug-in's shared library (named by
// CFBundleExecutable) and a Resources folder. Opening a bundle runs its native
// code, so everything that can be checked first is: the folder's extension,
// the metadata, the library's interface id (read without loading it) and its
// class name. A refused bundle is reported in words and never crashes the host.
class PluginBundleLoader {
public:
    struct Kind {
        QString extension;     // "blogsystem", "formatter", "addon", "uploader"
        QString userSubfolder; // "blogsystems", "formatters", "addons", "uploaders"
        QString interfaceId;   // the protocol's IID
    };

    explicit PluginBundleLoader(Kind kind);
    virtual ~PluginBundleLoader();
    PluginBundleLoader(const PluginBundleLoader&) = delete;
    PluginBundleLoader& operator=(const PluginBundleLoader&) = delete;

    const Kind& kind() const { return m_kind; }

    // The four kinds, by their bundle extension ("blogsystem", "formatter",
    // "addon", "uploader", compared exactly); nullopt for any other.
    static std::optional<Kind> kindForExtension(const QString& extension);

    // What a bundle says of itself, read from its Info.plist and from the
    // metadata Qt keeps in the library's file, without loading the library:
    // none of its code runs. `error` is a sentence when the bundle is not a
    // plug-in of `kind` that could be opened, else empty.
    struct Inspection {
        QString error;
        QString libraryPath;
        QString principalClass;
        QString identifier;  // CFBundleIdentifier
        QString name;        // CFBundleName, else the folder's name
        QString displayName; // CFBundleDisplayName: how the user sees it named; may be empty
        QString version;     // CFBundleShortVersionString, else CFBundleVersion
        bool ok() const { return error.isEmpty(); }
    };
    static Inspection inspect(const QString& bundlePath, const Kind& kind);

    // The folders read by loading. By default the built-in folder beside the
    // program and the kind's subfolder of $XDG_DATA_HOME/plumet3 (made when
    // missing); an empty user folder reads the built-in one alone.
    QString builtInFolder() const { return m_builtInFolder; }
    void setBuiltInFolder(const QString& folder) { m_builtInFolder = folder; }
    QString userFolder() const { return m_userFolder; }
    void setUserFolder(const QString& folder) { m_userFolder = folder; }

    // One sentence per refused bundle, naming it, in the order of loading.
    QStringList loadErrors() const { return m_loadErrors; }

    // The built-in plug-ins folder: <prefix>/lib/plumet/plugins of an
    // installed program, or the build tree's plugins folder.
    static QString defaultBuiltInFolder();
    // $XDG_DATA_HOME/plumet3/<subfolder>, made when missing; empty when it can't be had.
    static QString defaultUserFolder(const QString& subfolder);

protected:
    // The bundles of this kind in a folder, in the order the folder lists them.
    QStringList bundlesIn(const QString& folder) const;
    // Opens the bundle and answers its principal object, or nullptr after
    // recording why it was refused. The object lives as long as the process.
    QObject* openBundle(const QString& bundlePath);
    // The display name of the bundle that made `object`; empty when it has
    // none or the object came from no bundle.
    QString bundleDisplayName(const QObject* object) const { return m_displayNames.value(object); }
    void refuse(const QString& bundlePath, const QString& reason);

private:
    Kind m_kind;
    QString m_builtInFolder;
    QString m_userFolder;
    QStringList m_loadErrors;
    QHash<const QObject*, QString> m_displayNames;
    // Loaders stay alive so the libraries stay loaded.
    std::vector<std::unique_ptr<QPluginLoader>> m_loaders;
};
