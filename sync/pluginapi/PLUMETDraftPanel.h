#pragma once

#include <QVariantMap>
#include <functional>

class QObject;
class QWidget;

// The extra panel a blog-system plug-in adds to a draft window. It edits the
// entry's plug-in settings and hands every change back through the writer it
// was made with, so the host stores the settings at once. The host owns the
// object: it calls setIsPage(), reads minimumHeight() and view(), and calls
// willDispose() before it destroys the panel.
class PLUMETDraftPanel {
public:
    // Receives the complete settings after each edit.
    using SettingsWriter = std::function<void(const QVariantMap&)>;

    virtual ~PLUMETDraftPanel() = default;

    virtual void setIsPage(bool isPage) { Q_UNUSED(isPage); }
    virtual double minimumHeight() const { return 0; }
    // Owned by the panel; the host places it in the draft window.
    virtual QWidget* view() = 0;
    // After this the panel writes nothing more.
    virtual void willDispose(QObject* draft) { Q_UNUSED(draft); }
    virtual QVariantMap settings() const = 0;
};
