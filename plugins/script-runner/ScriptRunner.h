#pragma once

#include "PLUMETAddonProtocol.h"
#include "PLUMETPreferences.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class ScriptRun;
class ScriptRunnerSettings;

// "Scripts": runs the user's own scripts on the selected text of a draft and
// puts their answer in its place. Each file of the scripts folder is a
// sub-action.
class ScriptRunner : public QObject, public PLUMETAddonProtocol, public PLUMETPreferencesClient {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETAddonProtocol_iid)
    Q_INTERFACES(PLUMETAddonProtocol PLUMETPreferencesClient)

public:
    ScriptRunner();
    ~ScriptRunner() override;

    void setPreferences(PLUMETPreferences* preferences) override { m_preferences = preferences; }

    QString addonKey() const override { return QStringLiteral("Scripts"); }
    int role() const override { return MenuAddon; }
    QString addonDescription() const override;
    QWidget* preferencesView() override;
    void processNotification(int, const QVariant&) override {}
    QString toolbarIcon() const override { return {}; }
    // Lists the folder again.
    QStringList subActions() const override;
    bool requiresFullText() const override { return false; }
    std::unique_ptr<PLUMETAddonObject> addonRequested(PLUMETAddonHost* draft,
                                                      const QString& selection,
                                                      const QString& subaction) override;

    // A run of the named script on the text, not started; nullptr with a
    // sentence when there is nothing to run, and nullptr with an empty
    // sentence for a script that runs as nothing (".txt").
    ScriptRun* makeRun(const QString& name, const QString& text, QString* failure);

private:
    PLUMETPreferences* m_preferences = nullptr;
    // As of the last listing.
    mutable QHash<QString, QString> m_scripts;
    QPointer<ScriptRunnerSettings> m_settings;
};
