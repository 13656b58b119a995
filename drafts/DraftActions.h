// Makes a draft window's commands, menus and toolbar, and keeps their states current.
#pragma once

#include <QList>
#include <QString>
#include <memory>

class Draft;
class DraftEditMenu;
class DraftToolbar;
class QAction;
class QMenu;
class QToolBar;
class ToolbarController;

// The commands of a draft window in its File, Edit, Draft and Format menus
// and its toolbar. Each command calls the draft; validate() brings the
// enabled states and titles up to date, validateEditing() those of the
// commands that act on the focused editor, as the focus moves.
// Part of the Draft.
class DraftActions {
public:
    explicit DraftActions(Draft& draft);
    ~DraftActions();

    // Makes the commands and puts them in the window's menus and toolbar.
    void build();
    // See Draft::validateActions.
    void validate();
    // The enabled states of the commands that act on the focused editor
    // (Format menu, Edit menu, add-on items): a disabled command swallows
    // its shortcut.
    void validateEditing();

    QAction* switchEditorAction() const { return m_switchEditorAction; }
    QAction* toggleKeywordsAction() const { return m_toggleKeywordsAction; }
    QAction* toggleBloglistAction() const { return m_toggleBloglistAction; }
    QAction* refreshCategoriesAction() const { return m_refreshCategoriesAction; }
    QAction* createSummaryAction() const { return m_createSummaryAction; }
    QAction* publishAction() const { return m_publishAction; }
    QAction* saveAsStationeryAction() const { return m_saveAsStationeryAction; }
    QAction* changeDateAction() const { return m_changeDateAction; }
    QAction* manageTrackbackAction() const { return m_manageTrackbackAction; }
    QAction* wordCountAction() const { return m_wordCountAction; }
    QAction* mediaAction() const { return m_mediaAction; }
    DraftEditMenu* editMenu() const { return m_editMenu; }
    QAction* customTagsAction() const { return m_customTagsAction; }
    // The Format menu: bold and italic in either editor, closing the open
    // tag and validating in the HTML source view; each acts on the editor
    // with the focus and is enabled only while one that takes it has it.
    QAction* boldAction() const { return m_boldAction; }
    QAction* italicAction() const { return m_italicAction; }
    QAction* closeTagAction() const { return m_closeTagAction; }
    QAction* validateHTMLAction() const { return m_validateHTMLAction; }
    // The window's own Revisions submenu.
    QMenu* revisionMenu() const { return m_revisionMenu; }
    QToolBar* toolbar() const;
    ToolbarController* toolbarController() const { return m_toolbar; }

    // The insertions the editors' menus offer: a link, or an image, whose
    // address is on the clipboard. Not given yet: the items stay disabled.
    bool canInsertWithClipboard() const { return false; }
    void insertURLWithClipboard() {}
    void insertImageWithClipboard() {}

private:
    // A command whose part is not built yet: it stands in the menus, disabled.
    QAction* later(const QString& text, const QString& tip = {});
    // The commands that insert into the text: links and media.
    void buildInsertionActions();
    // The window's customisable toolbar, its items running the commands above.
    void buildToolbar();

    Draft& m_draft;
    QAction* m_saveAction = nullptr;
    QAction* m_saveAsAction = nullptr;
    QAction* m_revertAction = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_switchEditorAction = nullptr;
    QAction* m_toggleKeywordsAction = nullptr;
    QAction* m_toggleBloglistAction = nullptr;
    QAction* m_refreshCategoriesAction = nullptr;
    QAction* m_createSummaryAction = nullptr;
    QAction* m_publishAction = nullptr;
    QAction* m_changeDateAction = nullptr;
    QAction* m_manageTrackbackAction = nullptr;
    QAction* m_wordCountAction = nullptr;
    QAction* m_saveAsStationeryAction = nullptr;
    QAction* m_insertLinkAction = nullptr;
    QAction* m_mediaAction = nullptr;
    DraftEditMenu* m_editMenu = nullptr;
    QAction* m_customTagsAction = nullptr;
    QAction* m_boldAction = nullptr;
    QAction* m_italicAction = nullptr;
    QAction* m_closeTagAction = nullptr;
    QAction* m_validateHTMLAction = nullptr;
    QList<QAction*> m_laterActions; // commands of parts not built yet: disabled
    QMenu* m_revisionMenu = nullptr;
    std::unique_ptr<DraftToolbar> m_toolbarItems; // outlives the controller (a child of the window)
    ToolbarController* m_toolbar = nullptr;
};
