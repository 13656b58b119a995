// Builds a draft window's widgets and keeps them showing what the draft shows.
#pragma once

#include "RVDraftWindow.h"

#include <QList>
#include <QPointer>
#include <QString>

class Draft;
class DraftPaneStack;
class DraftSideView;
class Entry;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QWidget;
class RVSubView;

// The widgets of a draft window: the side panel, the title rows (title,
// keywords, blog), the button bar with the editor kind buttons, the note
// above the editors, and the editing area, whose two tab views hold the
// editors (rich at RichMode, source at SourceMode) and, in the lower one,
// the blog system's panel at PluginTag.
//
// Part of the Draft: it builds the window once and keeps the tabs, the
// buttons and the title in step with the draft. The commands, menus and
// toolbar are DraftActions'.
class DraftWindowLayout {
public:
    explicit DraftWindowLayout(Draft& draft);
    ~DraftWindowLayout();

    // Makes the window and everything in it but the commands.
    void build();

    RVDraftWindow* window() const { return m_window; }
    QLineEdit* titleField() const { return m_titleField; }
    QLineEdit* keywordField() const { return m_keywordField; }
    // The blog row's menu button (DraftBlogMenu fills it).
    QToolButton* blogButton() const { return m_blogButton; }
    RVSubView* titleView() const { return m_titleView; }
    RVSubView* keywordView() const { return m_keywordView; }
    RVSubView* blogListView() const { return m_blogListView; }
    QPushButton* richButton() const { return m_richButton; }
    QPushButton* htmlButton() const { return m_htmlButton; }
    QComboBox* formatPopup() const { return m_formatPopup; }
    DraftSideView* sideView() const { return m_sideView; }
    DraftPaneStack* paneStack() const { return m_paneStack; }
    QStackedWidget* mainTabView() const { return m_mainTabView; }
    QStackedWidget* subTabView() const { return m_subTabView; }
    // The lower pane's tab for the blog system's panel.
    QWidget* pluginTab() const { return m_pluginTab; }

    // The draft's mode and lower pane tag in the tab views.
    void showTabs();
    // The editor kind buttons as the mode and the editors allow.
    void updateButtons();
    void updateWindowTitle();
    // Places the window (see Draft::showWindow) and shows it in front.
    void showWindow(const QList<Draft*>& others);

    // The note above the editors (after an editor failed to answer, say);
    // its text is empty while it is hidden.
    void showNotice(const QString& text);
    bool noticeShown() const;
    QString noticeText() const;

    // Puts `content` in the side panel, which shows when `shown`.
    void setSidePanelContent(QWidget* content, bool shown);

    // The entry's title (and keywords) in the title rows; the fields do
    // not write them back.
    void showEntryFields(const Entry& entry, bool withKeywords);
    // The title rows are being set from the entry, not typed in.
    bool updatingFields() const { return m_updatingFields; }

private:
    void buildSidePanel(QWidget* parent);
    void buildTitleArea(QWidget* parent);
    void buildButtonBar(QWidget* parent);
    void buildNoticeBar(QWidget* parent);
    void buildEditingArea(QWidget* parent);

    Draft& m_draft;
    QPointer<RVDraftWindow> m_window;
    QLineEdit* m_titleField = nullptr;
    QLineEdit* m_keywordField = nullptr;
    QToolButton* m_blogButton = nullptr;
    RVSubView* m_titleView = nullptr;
    RVSubView* m_keywordView = nullptr;
    RVSubView* m_blogListView = nullptr;
    QWidget* m_buttonView = nullptr;
    QPushButton* m_richButton = nullptr;
    QPushButton* m_htmlButton = nullptr;
    QWidget* m_richButtonBox = nullptr;
    QWidget* m_tagButtonView = nullptr;
    QComboBox* m_formatPopup = nullptr;
    QFrame* m_noticeBar = nullptr;
    QLabel* m_noticeLabel = nullptr;
    DraftSideView* m_sideView = nullptr;
    DraftPaneStack* m_paneStack = nullptr;
    QStackedWidget* m_mainTabView = nullptr;
    QStackedWidget* m_subTabView = nullptr;
    QWidget* m_pluginTab = nullptr;
    bool m_updatingFields = false;
};
