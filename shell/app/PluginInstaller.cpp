#include "PluginInstaller.h"

#include "AlertBox.h"
#include "AppLog.h"
#include "Localization.h"
#include "PluginBundleLoader.h"
#include "SupportFolder.h"
#include "UniqueId.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

const char* const table = "AppControl";

bool isInside(const QString& path, const QString& root)
{
    const QString cleanRoot = QDir::cleanPath(root);
    const QString clean = QDir::cleanPath(path);
    return clean == cleanRoot || clean.startsWith(cleanRoot + QLatin1Char('/'));
}

bool copyTree(const QString& source, const QString& destination, QString* error)
{
    const QString root = QFileInfo(source).canonicalFilePath();
    if (root.isEmpty() || !QDir().mkpath(destination)) {
        *error = localized(table, "The folder %1 can't be made.").arg(destination);
        return false;
    }
    QDirIterator it(source, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir from(source);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = from.relativeFilePath(info.filePath());
        const QString target = QDir(destination).filePath(relative);
        if (info.isSymLink()) {
            const QString resolved = info.canonicalFilePath();
            if (resolved.isEmpty() || !isInside(resolved, root)) {
                *error =
                    localized(table, "The bundle's link \"%1\" leads out of it.").arg(relative);
                return false;
            }
            // The same link, relative, inside the copy.
            QDir().mkpath(QFileInfo(target).path());
            const QString linkFolder = QFileInfo(info.absolutePath()).canonicalFilePath();
            if (!QFile::link(QDir(linkFolder).relativeFilePath(resolved), target)) {
                *error = localized(table, "The link \"%1\" can't be copied.").arg(relative);
                return false;
            }
        } else if (info.isDir()) {
            if (!QDir().mkpath(target)) {
                *error = localized(table, "The folder \"%1\" can't be made.").arg(relative);
                return false;
            }
        } else if (info.isFile()) {
            QDir().mkpath(QFileInfo(target).path());
            if (!QFile::copy(info.filePath(), target) || QFileInfo(target).size() != info.size()) {
                *error = localized(table, "The file \"%1\" can't be copied.").arg(relative);
                return false;
            }
        } else {
            *error = localized(table, "\"%1\" is neither a file nor a folder.").arg(relative);
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<PluginInstaller::BundleKind> PluginInstaller::kindOf(const QString& path)
{
    const QString extension = QFileInfo(QDir::cleanPath(path)).suffix().toLower();
    if (extension == QLatin1String("blogsystem"))
        return BundleKind{extension, QStringLiteral("plugin"), QStringLiteral("blogsystems"),
                          localized(table, "blog system")};
    if (extension == QLatin1String("addon"))
        return BundleKind{extension, QStringLiteral("plugin"), QStringLiteral("addons"),
                          localized(table, "add-on")};
    if (extension == QLatin1String("uploader"))
        return BundleKind{extension, QStringLiteral("plugin"), QStringLiteral("uploaders"),
                          localized(table, "uploader")};
    if (extension == QLatin1String("formatter"))
        return BundleKind{extension, QStringLiteral("formatter"), QStringLiteral("formatters"),
                          localized(table, "formatter")};
    return std::nullopt;
}

PluginInstaller::PluginInstaller(QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_parent(dialogParent), m_folderFor([](const QString& subfolder) {
          return cutils::applicationSupportSubFolder(subfolder);
      })
{
}

PluginInstaller::~PluginInstaller()
{
    delete m_dialog.data();
}

bool PluginInstaller::install(const QString& bundlePath)
{
    const QString source = QDir::cleanPath(QFileInfo(bundlePath).absoluteFilePath());
    const QString name = QFileInfo(source).fileName();
    const std::optional<BundleKind> kind = kindOf(source);
    if (!kind) {
        showFailure(nullptr, name, QString());
        return false;
    }
    const QString folder = m_folderFor(kind->subfolder);
    if (folder.isEmpty()) {
        showFailure(&*kind, name, localized(table, "The plug-in folder can't be had."));
        return false;
    }
    const QString destination = QDir(folder).filePath(name);
    const QString canonicalSource = QFileInfo(source).canonicalFilePath();
    if (!canonicalSource.isEmpty() && canonicalSource == QFileInfo(destination).canonicalFilePath())
        return true; // it is installed already, as it is

    // The metadata only: the library is not loaded, none of its code runs.
    const auto loaderKind = PluginBundleLoader::kindForExtension(kind->extension);
    const PluginBundleLoader::Inspection inspection =
        PluginBundleLoader::inspect(source, *loaderKind);
    if (!inspection.ok()) {
        showFailure(&*kind, name, inspection.error);
        return false;
    }

    QMessageBox* ask = cutils::makeAlert(
        QMessageBox::Warning,
        localized(table, "Install the %1 \"%2\"?")
            .arg(kind->kindName, cutils::elidedForAlert(name)),
        localized(table, "Kind: %1\nKey: %2\nVersion: %3\n\nA plug-in is a program: it runs with "
                         "your rights and can read and change everything you can. Install it "
                         "only if you trust where it comes from.")
            .arg(kind->kindName,
                 cutils::elidedForAlert(
                     inspection.identifier.isEmpty() ? inspection.name : inspection.identifier, 80),
                 inspection.version.isEmpty() ? localized(table, "unknown")
                                              : cutils::elidedForAlert(inspection.version, 80)),
        m_parent);
    ask->setObjectName(QStringLiteral("pluginInstallQuestion"));
    QPushButton* installButton =
        ask->addButton(localized(table, "Install"), QMessageBox::AcceptRole);
    QPushButton* cancel = ask->addButton(localized(table, "Cancel"), QMessageBox::RejectRole);
    ask->setDefaultButton(cancel);
    ask->setEscapeButton(cancel);
    m_dialog = ask;
    connect(ask, &QMessageBox::finished, this, [=, this] {
        if (ask->clickedButton() == installButton)
            confirmed(source, *kind, destination);
        else
            emit finished(false);
    });
    ask->open();
    return true;
}

void PluginInstaller::confirmed(const QString& bundlePath, const BundleKind& kind,
                                const QString& destination)
{
    const QString name = QFileInfo(bundlePath).fileName();
    QString error;
    if (!replaceBundle(bundlePath, destination, &error)) {
        qCWarning(lcApp).noquote() << "installing" << bundlePath << "failed:" << error;
        showFailure(&kind, name, error);
        emit finished(false);
        return;
    }
    showSuccess(kind, name);
    emit finished(true);
}

bool PluginInstaller::replaceBundle(const QString& source, const QString& destination,
                                    QString* error)
{
    QString ignored;
    QString& reason = error ? *error : ignored;
    const QString tag = newUniqueID().left(8);
    const QString incoming = destination + QStringLiteral(".installing-") + tag;
    const QString aside = destination + QStringLiteral(".old-") + tag;
    if (!copyTree(source, incoming, &reason)) {
        QDir(incoming).removeRecursively();
        return false;
    }
    const QFileInfo old(destination);
    const bool hadOld = old.exists() || old.isSymLink();
    if (hadOld && !QFile::rename(destination, aside)) {
        reason = localized(table, "The installed copy can't be moved aside.");
        QDir(incoming).removeRecursively();
        return false;
    }
    if (!QFile::rename(incoming, destination)) {
        reason = localized(table, "The new copy can't be moved into place.");
        if (hadOld)
            QFile::rename(aside, destination);
        QDir(incoming).removeRecursively();
        return false;
    }
    if (hadOld) {
        const QFileInfo asideInfo(aside);
        const bool removed = asideInfo.isDir() && !asideInfo.isSymLink()
                                 ? QDir(aside).removeRecursively()
                                 : QFile::remove(aside);
        if (!removed)
            qCWarning(lcApp) << "the replaced copy stays at" << aside;
    }
    return true;
}

void PluginInstaller::showFailure(const BundleKind* kind, const QString& name,
                                  const QString& reason)
{
    // A new refusal takes the place of one still on screen: a burst of
    // files never stacks alerts.
    if (m_dialog && m_dialog->objectName() == QLatin1String("pluginInstallFailed"))
        m_dialog->close();
    const QString shown = cutils::elidedForAlert(name);
    // Not a bundle at all: one line says it, whatever the file's name.
    const QString message =
        kind ? localized(table, "For reasons unknown, the %1 \"%2\" could not be installed into "
                                "plumet's Suppport Folder.")
                   .arg(kind->kindWord, shown)
             : localized(table, "The file \"%1\" is not a plug-in bundle.").arg(shown);
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Critical, localized(table, "Installation Failed!"), message, m_parent);
    alert->setObjectName(QStringLiteral("pluginInstallFailed"));
    if (kind && !reason.isEmpty())
        alert->setDetailedText(reason);
    alert->addButton(localized(table, "OK"), QMessageBox::AcceptRole);
    m_dialog = alert;
    alert->open();
}

void PluginInstaller::showSuccess(const BundleKind& kind, const QString& name)
{
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Information, localized(table, "Installation Succeeded!"),
        localized(table, "The %1 \"%2\" was successfully installed into plumet's Suppport Folder%3")
            .arg(kind.kindWord, cutils::elidedForAlert(name),
                 localized(table, ".\n\nplumet uses the changed plugin once it restarts.")),
        m_parent);
    alert->setObjectName(QStringLiteral("pluginInstallSucceeded"));
    QPushButton* restart =
        alert->addButton(localized(table, "Restart Now"), QMessageBox::AcceptRole);
    QPushButton* later = alert->addButton(localized(table, "Later"), QMessageBox::RejectRole);
    alert->setDefaultButton(later);
    alert->setEscapeButton(later);
    m_dialog = alert;
    connect(alert, &QMessageBox::finished, this, [this, alert, restart] {
        if (alert->clickedButton() == restart)
            emit restartRequested();
    });
    alert->open();
}
