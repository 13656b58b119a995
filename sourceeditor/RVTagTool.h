#pragma once

#include "RVTag.h"

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class CustomTagListModel;

// The user's custom tags, kept in "customtags.plist" in the support folder (a
// keyed archive of the RVTag list), the custom-tag window and the menu of the
// main menu that lists the tags.
//
// Every change of the list or of a tag in it is written to the file, at most
// half a second after the last one and atomically, and again at quit, so a
// crash or a kill loses at most that half second. A file that cannot be read
// is moved aside and reported, never overwritten with an empty list. Main
// thread only.
class RVTagTool : public QObject {
    Q_OBJECT
public:
    // A store of its own file (the shared one uses defaultPath()); loads it.
    explicit RVTagTool(const QString& path, QObject* parent = nullptr);
    // Writes a change not yet saved.
    ~RVTagTool() override;

    // The process's store, made (and its file read) on first use; it ends at
    // quit ("goingToQuitNotification").
    static RVTagTool& sharedInstance();
    static bool instanceExists();
    // support folder/customtags.plist
    static QString defaultPath();
    QString path() const { return m_path; }

    // Appends the tags of the file; a missing file adds none. A file that
    // cannot be read is moved aside, said in *report.
    void loadTags(QString* report = nullptr);
    // What the load when the store was made said about a file moved aside;
    // empty when the file was read (or missing). For the user.
    QString loadReport() const { return m_loadReport; }
    // Writes the file now, atomically; false with the reason in *error.
    bool saveTags(QString* error = nullptr);

    QList<RVTagPtr> customTags() const { return m_tags; }
    // A new list of the same tags.
    void setCustomTags(const QList<RVTagPtr>& tags);
    // Whether a change waits for its save.
    bool hasUnsavedChanges() const { return m_saveTimer.isActive(); }
    // How long after the last change the file is written (500 ms).
    void setSaveDelay(int milliseconds) { m_saveTimer.setInterval(milliseconds); }

    // At quit: the window closes, the list is written, and the shared store
    // goes (a later sharedInstance() makes a new one).
    void cleanUp();

    // The menu that lists the tags (not owned): one item per tag with a title,
    // with the tag's shortcut, applying the tag in the focused editor. Items
    // are enabled only while the focus is in an editor, kept so as the focus
    // moves (a disabled item swallows its shortcut).
    void loadUI(QMenu* menu);
    QMenu* customTagMenu() const { return m_menu; }
    // Shows the custom-tag window, made on first use.
    void showWindow();
    QWidget* window() const { return m_window; }
    CustomTagListModel* listModel();

signals:
    void customTagsChanged();
    // The file could not be written: a sentence for the user.
    void saveFailed(const QString& message);

private:
    void follow(const RVTagPtr& tag);
    void changed();
    void saveNow();
    void rebuildMenu();
    void enableMenuItems();

    QString m_path;
    QString m_loadReport;
    QList<RVTagPtr> m_tags;
    QTimer m_saveTimer;
    QPointer<QMenu> m_menu;
    QPointer<QWidget> m_window;
    CustomTagListModel* m_model = nullptr;
};
