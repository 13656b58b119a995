#pragma once

#include <QObject>
#include <QString>

// What the rich editor's page script tells the editor, over the web channel
// of our isolated world ("editor"). The content's own world cannot reach it.
// Page script calls the slots; the editor listens to the signals.
class RichEditorBridge : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    // The user changed the content.
    void changed() { emit contentChanged(); }
    // The content a second after the last change, as a snapshot's JSON.
    void contentSnapshot(const QString& json) { emit snapshotTaken(json); }
    // The selection's state for the style bar, as JSON.
    void selectionChanged(const QString& json) { emit selectionStateChanged(json); }
    // An element with an id was double-clicked.
    void doubleClicked(const QString& id) { emit elementDoubleClicked(id); }
    // A link was followed (Ctrl and click).
    void linkActivated(const QString& url) { emit linkFollowed(url); }

signals:
    void contentChanged();
    void snapshotTaken(const QString& json);
    void selectionStateChanged(const QString& json);
    void elementDoubleClicked(const QString& id);
    void linkFollowed(const QString& url);
};
