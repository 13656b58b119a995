#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class Entry;
class QMenu;
class QWidget;
class SaveStationeryDialog;
class ManageStationeriesDialog;

// Stationery: named copies of posts from which new drafts start. Each is an
// Entry whose identifier is the stationery's name; names need not be unique.
// The list lives in "stationeries.plist" (a keyed archive of the entries) in
// the support folder. It is written atomically whenever it changes (after
// Save As Stationery and when the manage window closes) and again at quit, so
// a crash or a kill loses nothing. Main thread only.
class Stationeries : public QObject {
    Q_OBJECT
public:
    explicit Stationeries(const QString& path, QObject* parent = nullptr);
    ~Stationeries() override;

    // support folder/stationeries.plist
    static QString defaultPath();
    QString path() const { return m_path; }

    // Reads the file; a missing file gives an empty list. A file that cannot be
    // read is moved aside and said so in *report. Then rebuilds the menu.
    void loadStationeries(QString* report = nullptr);
    // Writes the file atomically; false with the reason in *error.
    bool saveStationeries(QString* error = nullptr) const;

    QList<EntryPtr> stationeries() const { return m_stationeries; }
    void setStationeries(const QList<EntryPtr>& list);
    // Edits of the manage window; the file is saved when it closes.
    void renameStationeryAt(int row, const QString& name);
    void removeStationeryAt(int row);
    // The first stationery named `name`, or nullptr.
    EntryPtr stationeryForKey(const QString& name) const;

    // Adds a copy of `entry` named `name` and keeps the list sorted by name
    // (ignoring case); an empty name adds nothing. Saves the file.
    bool addStationery(const Entry& entry, const QString& name, QString* error = nullptr);

    // The menu rebuilt by setupStationeryMenu (not owned).
    void setStationeryMenu(QMenu* menu);
    // One item per named stationery, a separator and "Manage Stationeries…".
    void setupStationeryMenu();

    // A new draft's entry from `stationery`: a copy with a fresh identifier, the
    // date of now and the flags of a new local post (a page stays a page), and
    // no server address, so publishing it can never change the post it was
    // made from.
    static EntryPtr draftFromStationery(const Entry& stationery);

public slots:
    // Asks for a name (the draft's title to start with) and saves the entry
    // edited in the front draft as stationery; nothing without a draft.
    void saveAsStationery(Entry* frontDraftEntry, QWidget* parent = nullptr);
    // Starts a new draft from `stationery` (newDraftRequested).
    void newWithStationery(const EntryPtr& stationery);
    // Opens the manage window; when it closes the menu is rebuilt and the file saved.
    void manageStationeries(QWidget* parent = nullptr);

signals:
    void stationeriesChanged();
    // Open a new draft for this entry (the main window's newDraft).
    void newDraftRequested(const EntryPtr& entry);
    // The file could not be written: a sentence for the user.
    void saveFailed(const QString& message);

private:
    void sortByName();
    void saveNow();

    QString m_path;
    QList<EntryPtr> m_stationeries;
    QPointer<QMenu> m_menu;
    QPointer<SaveStationeryDialog> m_saveDialog;
    QPointer<ManageStationeriesDialog> m_manageDialog;
};
