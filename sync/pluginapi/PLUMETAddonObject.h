#pragma once

#include <QSize>
#include <QString>

class PLUMETAddonHost;
class QWidget;

// What an add-on hands a draft for one request. The draft keeps it for its
// life, sends later requests of the same add-on to it, and shows its view in a
// sheet until the object calls PLUMETAddonHost::addonFinished().
class PLUMETAddonObject {
public:
    virtual ~PLUMETAddonObject() = default;

    // A later request of the same add-on in the same draft; arguments as in
    // PLUMETAddonProtocol::addonRequested (null texts for none).
    virtual void addonRequested(PLUMETAddonHost* draft, const QString& selection,
                                const QString& subaction) = 0;
    // Owned by the object; nullptr shows the sheet empty.
    virtual QWidget* view() = 0;
    virtual QSize minimumSize() const = 0;
    virtual bool canResize() const = 0;
    // The user closed the sheet before the object called addonFinished(): the
    // object stops what it started for that draft; the draft ignores a later
    // addonFinished().
    virtual void sheetClosed(PLUMETAddonHost* draft) { Q_UNUSED(draft); }
    // The draft goes away; the object stops everything it does for it.
    virtual void willDispose(PLUMETAddonHost* draft) { Q_UNUSED(draft); }
};
