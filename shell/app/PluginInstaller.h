#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QMessageBox;
class QWidget;

// Installs a plug-in bundle that the user opened (from the file manager, or
// Install Plug-in…) into the matching folder of the support folder. A
// bundle's code runs with the user's rights, so nothing of it runs here: its
// metadata is read without loading the library, the user sees what it is and
// confirms, and the new copy is used only from the next start, which the user
// asks for (restartRequested) or leaves for later.
//
// An older copy is replaced only once the new one is complete beside it: the
// new copy goes to a temporary sibling, the old one is renamed aside, the new
// one renamed in, and only then the old one deleted; on any failure the old
// copy is put back.
class PluginInstaller : public QObject {
    Q_OBJECT
public:
    struct BundleKind {
        QString extension; // "blogsystem", "addon", "uploader", "formatter"
        QString kindWord;  // "plugin" or "formatter", as the alerts say
        QString subfolder; // "blogsystems", "addons", "uploaders", "formatters"
        QString kindName;  // what the confirmation shows: "blog system" and so on
    };
    // The kind of a bundle path by its extension, compared in any case.
    static std::optional<BundleKind> kindOf(const QString& path);

    explicit PluginInstaller(QWidget* dialogParent = nullptr, QObject* parent = nullptr);
    ~PluginInstaller() override;

    // Where a kind's bundles go: the support folder's subfolder unless set.
    void setTargetFolders(std::function<QString(const QString& subfolder)> folderFor)
    {
        m_folderFor = std::move(folderFor);
    }

    // Starts the installation of one bundle: false (with the failure alert)
    // when it can't be installed at all, true otherwise (the confirmation
    // then asks; finished() tells the outcome). A bundle that already lies in
    // its target folder is left alone (true, no alert).
    bool install(const QString& bundlePath);

    // The file-system step: `source` becomes `destination`, an older copy
    // kept until the new one is in place and restored on failure. Regular
    // files, folders, and links that stay inside the bundle are copied;
    // anything else (a device, a pipe, a link leading out) fails the copy.
    static bool replaceBundle(const QString& source, const QString& destination, QString* error);

    // The question or alert on screen, if any.
    QMessageBox* dialog() const { return m_dialog; }

signals:
    // The user asked to restart now to use the new plug-in.
    void restartRequested();
    void finished(bool installed);

private:
    void confirmed(const QString& bundlePath, const BundleKind& kind, const QString& destination);
    void showFailure(const BundleKind* kind, const QString& name, const QString& reason);
    void showSuccess(const BundleKind& kind, const QString& name);

    QPointer<QWidget> m_parent;
    QPointer<QMessageBox> m_dialog;
    std::function<QString(const QString&)> m_folderFor;
};
