#pragma once

#include "ModelTypes.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class EntryArrayController;
class EntryDeletion;
class EntryListModel;
class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class RVEntriesView;
class UserDefaults;

// The upper pane of the main window: the category pop-up and the search
// field above the entries table, and the table's commands. The search field's
// menu picks the fields searched (All, Title, Contents, Tags; kept in
// "searchType") and lists the recent searches; the rows narrow as one types.
//
// Commands on the selected entries: open (double click, Return), delete
// (Delete, Backspace; a sheet asks), publish (through the entry's open draft
// when it has one), copy the first one's permalink; a context menu offers them.
class EntriesPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int recentSearchLimit = 10;

    explicit EntriesPane(EntryListModel* entries, QWidget* parent = nullptr,
                         UserDefaults* defaults = nullptr);
    ~EntriesPane() override;

    RVEntriesView* view() const { return m_view; }
    EntryArrayController* arranged() const { return m_arranged; }
    EntryDeletion* deletion() const { return m_deletion; }
    QComboBox* categoryPopup() const { return m_categories; }
    QLineEdit* searchField() const { return m_search; }
    QMenu* searchMenu() const { return m_searchMenu; }

    // The selected entries in row order.
    QList<Entry*> selectedEntries() const;
    QList<EntryPtr> selectedEntryPointers() const;
    // The entry the preview shows: the current row when it is selected, else
    // the first selected one; null without a selection.
    Entry* currentEntry() const;

    // --- search ---
    // Takes the mode (the tag of its menu item), checks its item, and puts
    // the insertion point at the end of the search text.
    void setSearchMode(int mode);
    QStringList recentSearches() const { return m_recents; }
    // Adds the search text as typed now to the recent searches.
    void rememberSearch();
    void clearRecentSearches();

    // --- commands ---
    void openSelected();
    void remove();
    void publish();
    void copyPermalink();
    bool hasSelection() const;
    bool canCopyPermalink() const;
    // Offered by the context menu, in order (null for a separator).
    void setContextActions(const QList<QAction*>& actions) { m_contextActions = actions; }

signals:
    // The selected entries changed, or the entry shown for them did.
    void selectionChanged();

private:
    void buildFilterBar();
    void configureView();
    void rebuildSearchMenu();
    void fillCategories();
    void categoryChosen(int index);
    void updateCount();
    void followCurrent();
    void showAlert(const QString& title, const QStringList& lines);

    EntryListModel* m_entries;
    UserDefaults& m_defaults;
    EntryArrayController* m_arranged;
    EntryDeletion* m_deletion;
    RVEntriesView* m_view = nullptr;
    QComboBox* m_categories = nullptr;
    QLineEdit* m_search = nullptr;
    QMenu* m_searchMenu = nullptr;
    QActionGroup* m_modes = nullptr;
    QLabel* m_count = nullptr;
    QStringList m_recents;
    QList<QAction*> m_contextActions;
    QPointer<Entry> m_lastCurrent;
};
