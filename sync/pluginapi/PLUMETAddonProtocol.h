#pragma once

#include "PLUMETAddonObject.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtPlugin>
#include <memory>

class PLUMETAddonHost;
class QWidget;

// An add-on ("addon" bundles): acts on the selected text of a draft (a menu
// add-on) or hears of application events (an event add-on), or both.
class PLUMETAddonProtocol {
public:
    enum Role { MenuAddon = 1, EventAddon = 2 };

    virtual ~PLUMETAddonProtocol() = default;

    // The registry key; also the title of its menu item, toolbar item and settings page.
    virtual QString addonKey() const = 0;
    // A mask of Role values.
    virtual int role() const = 0;
    virtual QString addonDescription() const = 0;
    // The settings page, owned by the add-on; nullptr for none.
    virtual QWidget* preferencesView() = 0;
    // An application event (see AddonManager), on the main thread.
    virtual void processNotification(int event, const QVariant& data) = 0;
    // Path of a toolbar image, or null for no toolbar item.
    virtual QString toolbarIcon() const = 0;
    // Names of sub-actions; empty for a plain menu item.
    virtual QStringList subActions() const = 0;
    // True hands over all text of the focused editor instead of the selection.
    virtual bool requiresFullText() const = 0;
    // Starts a request from a draft; selection and subaction are null for none.
    // nullptr ends the request without a sheet.
    virtual std::unique_ptr<PLUMETAddonObject>
    addonRequested(PLUMETAddonHost* draft, const QString& selection, const QString& subaction) = 0;
};

#define PLUMETAddonProtocol_iid "org.plumet.PLUMETAddonProtocol/3.0"
Q_DECLARE_INTERFACE(PLUMETAddonProtocol, PLUMETAddonProtocol_iid)
