#pragma once

#include "PLUMETAddonProtocol.h"

#include <QObject>

// An event add-on with the compiled-in key FAKE_KEY, description
// FAKE_DESCRIPTION and, when FAKE_ICON is defined, a toolbar icon; with
// FAKE_MENU_ONLY a menu add-on that hears no events. Events it hears are
// appended to the application's "fakeAddonEvents" property as lists of key,
// event number, data and whether it ran on the main thread.
class FakeAddon : public QObject, public PLUMETAddonProtocol {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETAddonProtocol_iid)
    Q_INTERFACES(PLUMETAddonProtocol)

public:
    QString addonKey() const override;
    int role() const override;
    QString addonDescription() const override;
    QWidget* preferencesView() override { return nullptr; }
    void processNotification(int event, const QVariant& data) override;
    QString toolbarIcon() const override;
    QStringList subActions() const override { return {}; }
    bool requiresFullText() const override { return false; }
    std::unique_ptr<PLUMETAddonObject> addonRequested(PLUMETAddonHost*, const QString&,
                                                      const QString&) override
    {
        return nullptr;
    }
};
