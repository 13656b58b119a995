#pragma once

#include "UpdateFeed.h"

#include <QString>
#include <QUrl>

// What the update checker shows, installed by the application's windows (or
// by a test). Each call returns at once.
class UpdatePresenter {
public:
    virtual ~UpdatePresenter();

    // The update window with the announced version and its change list.
    virtual void showUpdate(const UpdateOffer& offer) = 0;
    virtual void hideUpdate() = 0;
    // An alert with "OK".
    virtual void showAlert(const QString& title, const QString& message) = 0;
    virtual void openInBrowser(const QUrl& url) = 0;
};
