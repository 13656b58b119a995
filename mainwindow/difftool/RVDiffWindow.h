#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTreeView;
class QVBoxLayout;
class RVDiffArrayController;
class RVDiffTool;
class WebContentView;

// The comparison window: the entries whose server copy differs from the
// local one, above the differences of the selected entry, one tab for each,
// and the buttons that settle them. It comes forward by itself when the
// merge lists a new entry and goes when the list is empty; Window ▸
// Differences brings it back.
//
// The difference page is built in C++ with every piece of both texts
// escaped, and the view that shows it runs no script at all: neither the
// page's nor any the server's text might smuggle in.
class RVDiffWindow : public QWidget {
    Q_OBJECT
public:
    explicit RVDiffWindow(RVDiffTool& tool, QWidget* parent = nullptr);
    ~RVDiffWindow() override;

    RVDiffArrayController* controller() const { return m_controller; }
    // To the front, as the key window.
    void showWindow();

    QTreeView* list() const { return m_list; }
    QTabBar* tabBar() const { return m_tabs; }
    QStackedWidget* box() const { return m_box; }
    QWidget* timeView() const { return m_timeView; }
    QWidget* textView() const { return m_textView; }
    // Made when a difference is first shown: the web engine starts only then.
    WebContentView* webView();
    // What the server did not keep of the selected entry; hidden when it kept all.
    QLabel* notKeptLabel() const { return m_notKept; }
    QLabel* timeDiffLabel() const { return m_timeDiff; }
    QLabel* localDateLabel() const { return m_localDate; }
    QLabel* serverDateLabel() const { return m_serverDate; }
    QComboBox* timeZonePopup() const { return m_timeZones; }
    QCheckBox* allBox() const { return m_all; }
    QCheckBox* ignoreHTMLBox() const { return m_ignoreHTML; }
    QPushButton* acceptButton() const { return m_accept; }
    QPushButton* fixNowButton() const { return m_fixNow; }
    QPushButton* fixLaterButton() const { return m_fixLater; }
    QPushButton* ignoreTimeButton() const { return m_ignoreTime; }
    QPushButton* applyToAllButton() const { return m_applyToAll; }

private:
    QWidget* makeTimeView();
    QWidget* makeTextView();
    void makeTimeZonePopup();
    void setTabs();
    void showPage();
    void showDates();
    void showSelection();
    void showProblem(const QString& message);

    RVDiffArrayController* m_controller;
    QTreeView* m_list = nullptr;
    QLabel* m_position = nullptr;
    QTabBar* m_tabs = nullptr;
    QLabel* m_notKept = nullptr;
    QStackedWidget* m_box = nullptr;
    QWidget* m_timeView = nullptr;
    QWidget* m_textView = nullptr;
    QVBoxLayout* m_textLayout = nullptr;
    WebContentView* m_web = nullptr;
    QLabel* m_localDate = nullptr;
    QLabel* m_serverDate = nullptr;
    QLabel* m_timeDiff = nullptr;
    QComboBox* m_timeZones = nullptr;
    QCheckBox* m_all = nullptr;
    QCheckBox* m_ignoreHTML = nullptr;
    QPushButton* m_accept = nullptr;
    QPushButton* m_fixNow = nullptr;
    QPushButton* m_fixLater = nullptr;
    QPushButton* m_ignoreTime = nullptr;
    QPushButton* m_applyToAll = nullptr;
    QString m_shownPage;
    bool m_syncing = false;
};
