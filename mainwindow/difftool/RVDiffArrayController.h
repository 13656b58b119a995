#pragma once

#include "ModelTypes.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QMetaObject>
#include <QString>
#include <QTimeZone>
#include <memory>
#include <optional>
#include <utility>

class RVDiffTool;

// The comparison window's list and what its buttons do. The rows are the
// entries RVDiffTool holds; one of them is selected. For the selected entry
// it offers one tab per difference, the difference page of the tab shown (in
// source form, or as text when "diffIgnoreHTML" is on or unset), and the time
// between the two copies' dates. The actions settle the differences of the
// selected entry, or of every listed entry when the all box is on; whatever
// they change in an entry is written to its file.
//
// Main thread only.
class RVDiffArrayController : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TitleColumn, BlogColumn, DateColumn, ColumnCount };
    // Segment tags: the order the tabs are shown in.
    enum Tab { TimeTab = 0, TitleTab, MainTab, ExtendedTab, SummaryTab, KeywordsTab };
    struct TabItem {
        int tag;
        QString label;
    };

    // Fix Now opens at most this many drafts at once.
    static constexpr int mostDraftsAtOnce = 10;

    explicit RVDiffArrayController(RVDiffTool& tool, QObject* parent = nullptr);
    ~RVDiffArrayController() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    EntryPtr entryAt(int row) const;

    // --- selection ---
    // -1 without a selection.
    int selectedRow() const;
    EntryPtr selectedEntry() const;
    void setSelectedRow(int row);
    // The selected row counted from 1, as text ("" without a selection).
    QString currentIndex() const;

    // --- tabs and pages ---
    // The selected entry's tabs in tab order; none without a selection.
    QList<TabItem> tabs() const;
    // What the server did not keep of the selected entry, in a sentence;
    // empty when it kept everything it was sent.
    QString notKeptText() const;
    // The tab bar shows only with two tabs or more.
    bool showsTabBar() const { return tabs().size() >= 2; }
    int currentTab() const { return m_currentTab; }
    // Shows the tab: the date tab, or the difference page of a text tab.
    void changeTab(int tag);
    // The page of the text tab shown, in source form or text form; each is
    // made when first asked for. Empty on the date tab.
    QString diffPlainText() const;
    QString diffHTMLText() const;
    QString currentPage() const { return ignoreHTML() ? diffHTMLText() : diffPlainText(); }
    // The user default "diffIgnoreHTML"; on while it is unset.
    static bool ignoreHTML();
    void setIgnoreHTML(bool ignore);

    // --- dates ---
    // "2 hours and 5 minutes later", how the local date stands to the
    // server's; empty without a selection, without both dates, or when they agree.
    QString timeDiff() const;
    static QString timeDifference(const QDateTime& local, const QDateTime& server);
    // The server's date as this computer's clock shows it ("datecreated").
    QDateTime dateCreated() const;
    // Stores a valid date as the selected entry's "datecreated".
    void setDateCreated(const QDateTime& date);
    // The selected entry's blog's time-zone name ("" without a blog).
    QString timeZoneName() const;
    // The zone a time-zone name stands for: the local zone when it names none.
    static QTimeZone zoneNamed(const QString& name);
    // The instant the server's date stands for when the server keeps the
    // clock of `zone`: read at the date's own offset, daylight saving
    // included exactly once whatever today's offset is.
    static QDateTime serverDateInZone(const QDateTime& oridate, const QTimeZone& zone);

    // --- actions ---
    bool allOrOne() const { return m_allOrOne; }
    void setAllOrOne(bool all) { m_allOrOne = all; }
    // The server copy wins: each field it holds replaces the local one.
    void accept();
    // Opens the entry's draft (every listed entry's, up to ten, with the all box).
    void fixNow();
    // Dismisses the differences.
    void fixLater();
    // Dismisses the entries whose dates alone differ.
    void ignoreTime();
    // Gives the selected entry's blog the zone and reads its server date in it.
    void changeTimeZone(const QString& zoneName);
    // Every listed entry takes its server date read in the selected entry's
    // blog's zone; entries whose dates alone differed leave the list.
    void applyTimeZoneToAll();

signals:
    // Another entry is selected, or the selected one's differences changed:
    // tabs, dates and pages are to be read again.
    void selectionChanged();
    void pageChanged();
    void timeDiffChanged();
    void dateCreatedChanged();
    // The list is empty: the window goes.
    void emptied();
    // Something could not be done, in words for the user.
    void problem(const QString& message);

private:
    QList<EntryPtr> targets() const;
    void entriesChanged();
    void watchEntries();
    void selectionDidChange();
    void showText();
    void dismiss(const QList<EntryPtr>& entries);
    // Writes the entry file; a failure is remembered for one report.
    void save(Entry& entry, QStringList& failures);
    void report(const QStringList& failures);

    RVDiffTool& m_tool;
    QList<EntryPtr> m_entries;
    std::weak_ptr<Entry> m_selected;
    QList<QMetaObject::Connection> m_watching;
    int m_currentTab = -1;
    bool m_allOrOne = false;
    QString m_headerText;
    QString m_footerText;
    // The two texts of the tab shown, local first.
    std::optional<std::pair<QString, QString>> m_texts;
    mutable std::optional<QString> m_diffPlainText;
    mutable std::optional<QString> m_diffHTMLText;
};
