#pragma once

#include "PLUMETAddonProtocol.h"
#include "PLUMETPreferences.h"

#include <QObject>
#include <memory>

class QTemporaryDir;

// "Edit With": edits the whole text of a draft in an outside editor, one
// sub-action per installed editor of the user's editor table.
class EditWith : public QObject, public PLUMETAddonProtocol, public PLUMETPreferencesClient {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETAddonProtocol_iid)
    Q_INTERFACES(PLUMETAddonProtocol PLUMETPreferencesClient)

public:
    EditWith();
    ~EditWith() override;

    void setPreferences(PLUMETPreferences* preferences) override { m_preferences = preferences; }

    QString addonKey() const override { return QStringLiteral("Edit With"); }
    int role() const override { return MenuAddon; }
    QString addonDescription() const override;
    QWidget* preferencesView() override { return nullptr; }
    void processNotification(int, const QVariant&) override {}
    QString toolbarIcon() const override { return {}; }
    QStringList subActions() const override;
    bool requiresFullText() const override { return true; }
    std::unique_ptr<PLUMETAddonObject> addonRequested(PLUMETAddonHost* draft,
                                                      const QString& selection,
                                                      const QString& subaction) override;

    QVariantMap editorTable() const;
    // The folder (only the user may enter it) that holds the files being
    // edited, made on first use; empty when it cannot be made.
    QString privateFolder();
    // Ends every session still running and removes the folder with whatever
    // an editor left in it. Runs when the application quits.
    void removeLeftovers();

private:
    PLUMETPreferences* m_preferences = nullptr;
    std::unique_ptr<QTemporaryDir> m_folder;
};
