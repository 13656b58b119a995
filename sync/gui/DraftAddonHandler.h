#pragma once

#include "PLUMETAddonHost.h"
#include "PLUMETAddonObject.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <memory>

class AddonManager;
class AddonTextHolder;
class QDialog;
class QWidget;

// A draft's side of the menu add-ons: hands an add-on the draft's text, shows
// the add-on object's view in a sheet on the draft window, and puts the
// result back in place of the selection.
//
// One request runs at a time. It ends when the add-on calls addonFinished(),
// when the user closes the sheet (the object hears sheetClosed()), or when the
// draft goes away (every object hears willDispose()). A result that arrives
// after its request ended is dropped, so it can never replace text chosen
// later. Add-on objects are kept per key for the draft's life and receive the
// later requests of their add-on.
//
// The draft destroys its handler before its window.
class DraftAddonHandler : public QObject, public PLUMETAddonHost {
    Q_OBJECT

public:
    DraftAddonHandler(QWidget* window, AddonTextHolder& text, AddonManager& addons,
                      QObject* parent = nullptr);
    ~DraftAddonHandler() override;

    // Runs the add-on of that key on the draft's text; subaction is null for none.
    void callAddon(const QString& key, const QString& subaction);
    // From the running add-on: ends its sheet; a non-null text replaces the selection.
    void addonFinished(const QString& text) override;
    // Takes the add-on's view out of the sheet; the view stays its add-on's.
    void disposeAddonView();
    // The draft closes: ends a running request and sends every add-on object
    // willDispose() before it is destroyed.
    void dispose();

    // The key of the running request, or null.
    QString runningAddon() const { return m_runningKey; }
    PLUMETAddonObject* addonObject(const QString& key) const;
    QDialog* addonSheet() const { return m_sheet; }
    QWidget* addonContainer() const { return m_container; }

signals:
    // Once for every request, however it ended.
    void addonEnded(const QString& key);

private:
    void showSheet(PLUMETAddonObject& object);
    void sheetClosedByUser();
    QString endRequest();

    QPointer<QWidget> m_window;
    AddonTextHolder& m_text;
    AddonManager& m_addons;
    QPointer<QDialog> m_sheet;
    QPointer<QWidget> m_container;
    QHash<QString, std::shared_ptr<PLUMETAddonObject>> m_objects;
    QString m_runningKey;
    bool m_disposed = false;
};
