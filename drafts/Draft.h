// The coordinator of one draft window: makes its parts, runs the commit, and answers for them.
#pragma once

#include "DraftEditorHost.h"
#include "EditorCommitter.h"
#include "ModelTypes.h"

#include <QHash>
#include <QList>
#include <QMessageBox>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;
class Blog;
class DraftActions;
class DraftAddonHandler;
class DraftAddons;
class DraftAttachments;
class DraftBlogMenu;
class DraftBlogSetup;
class DraftCategories;
class DraftEditing;
class DraftEditor;
class DraftEditors;
class DraftEntryWatch;
class DraftFocus;
class DraftPanels;
class DraftRevisions;
class DraftSaving;
class DraftSheets;
class DraftWindowLayout;
class EntryOwner;
class PLUMETDraftPanel;
class QMenu;
class RVDraftWindow;

// The window controller of one entry being edited: the title area with its
// rows, the button bar, and the editing area with a main pane and a lower
// pane, each holding a rich editor and an HTML source editor (the entry's
// edit mode says which pair shows), the lower pane also the blog system's
// panel.
//
// The draft edits its entry in place and keeps a copy as last saved, which
// the needs-save test compares with and "Don't Save" restores.
//
// Every road that reads the editors commits first: the editors hand over
// their content (the rich editor answers later), the draft copies it into
// the entry, then the road goes on (see EditorCommitter). Roads that arrive
// meanwhile wait their turn; an editor that does not answer in two seconds
// counts with the content it last handed over, and the user is told.
//
// The entry is held through a guarded handle: a draft whose entry moves to
// another blog follows the entry standing there; an entry taken out of its
// blog while the draft is open closes the draft, saving changed text first.
//
// Drafts are made, kept and closed by DraftController.
//
// Each concern of the window is a part the draft owns, and the draft
// answers for them to the rest of the program: DraftWindowLayout (the
// widgets), DraftActions (commands, menus, toolbar), DraftFocus (which
// editor has the focus), DraftBlogSetup (what the blog decides),
// DraftEditors (the four editors, their loading and the editor switch),
// DraftEditing (the editing commands and reverts), DraftSaving (saving and
// closing), DraftEntryWatch (the entry under the draft), DraftSheets,
// DraftAddons, DraftAttachments (the editor host's attachment side),
// DraftPanels, DraftCategories (the categories list) and DraftBlogMenu (the
// blog menu, the move to another blog, the formats). The parts reach one
// another through the draft. The rest of the program finds the widgets in
// layout(), the commands in actions(), and the panels, the categories list
// and the blog menu through their accessors; the draft's own functions are
// the roads that span parts.
class Draft : public QObject, public DraftEditorHost {
    Q_OBJECT
public:
    enum EditMode { RichMode = 0, SourceMode = 1 };
    enum SubTag { ExtendedTag = 0, SummaryTag = 1, PluginTag = 2 };

    // `restorePosition` is "%f %f" (left edge, top edge) or empty.
    explicit Draft(const EntryPtr& entry, const QString& restorePosition = {},
                   QObject* parent = nullptr);
    ~Draft() override;

    // The point in "%f %f", or the zero point when the text is not two numbers.
    static QPointF parsePosition(const QString& text);

    // --- identity ---
    EntryPtr entry() const { return m_entry.lock(); }
    Blog* blog() const;
    EntryOwner* owner() const;
    RVDraftWindow* window() const;
    QPointF restorePosition() const { return m_topLeft; }
    bool canUseRichEditor() const;
    EntryPtr savedCopy() const;

    // Places the window (restored, staggered after the last visible draft of
    // `others`, or where a new window goes) and shows it in front.
    void showWindow(const QList<Draft*>& others);

    // --- what shows ---
    // The editor kind shown: the entry's, or source while no rich editor exists.
    int mode() const { return m_mode; }
    bool richEditorsAvailable() const;
    int subTag() const { return m_subTag; }
    // The blog system's extended and summary fields: 1, 2, 3 or 0.
    int paneCode() const;
    DraftEditor* editor(int mode, bool sub) const;
    DraftEditor* focusedEditor() const;
    // The window's widgets: the title rows and fields, the editor kind
    // buttons, the tab views, the pane stack, the side panel, the note.
    DraftWindowLayout& layout() const { return *m_layout; }
    // Puts `content` (the categories list) in the side panel, which shows
    // when it has content and the entry is not a page.
    void setSidePanelContent(QWidget* content);
    bool shouldDisplaySidebar() const;
    PLUMETDraftPanel* pluginObject() const;
    // The sheet shown on the window (save question, alert), while it is open.
    QMessageBox* sheet() const;
    // Shows `sheet` window-modal on the draft in place of any other; `ended`
    // gets the button chosen. A sheet dismissed because the draft closes ends
    // without a call.
    void showSheet(QMessageBox* sheet, std::function<void(QAbstractButton* chosen)> ended);

    // --- the commit protocol ---
    // Commits the editors into the entry, then calls `then`: for the roads of
    // later parts (account switch, add-on hand-over, publishing, statistics).
    void commitThen(const QString& road, std::function<void()> then);
    EditorCommitter& committer() { return *m_committer; }

    // --- editing ---
    // Switches the editor kind; with `buttonTag` equal to the kind shown, nothing.
    void switchEditor(std::optional<int> buttonTag = std::nullopt);
    // Shows `tag` in the lower pane, saving the text it showed into the entry.
    void toggleExtraEdit(int tag);
    void createSummary();
    // Rebuilds the editors after a style change ("styleChanged").
    void refreshSource();
    // Takes the entry's content anew (text the user typed stays).
    void reloadEntry();
    void revertDocumentToSaved();
    // Commits (which records the text before and after the typing since the
    // last commit), then puts `revision`'s title and texts into the entry and
    // the editors and saves. Nothing for an empty revision.
    void revertToRevision(const QVariantMap& revision);
    DraftRevisions* revisions() const { return m_revisions; }
    void toggleKeywords();
    void toggleBloglist();
    // Commits the editors, then posts "refreshPreview" with the draft.
    void requestPreviewRefresh();
    void publish();
    // A critical alert on the window, with one "OK" button (a failed publish, say).
    void handleErrorMessage(const QString& title, const QString& body);
    // The heads-up panels over the window: the publication date, the
    // trackback addresses, the text statistics.
    DraftPanels* panels() const { return m_panels.get(); }
    // Commits the editors, then saves the post as stationery (File menu).
    void saveAsStationery();

    // Hands the focused editor's selection (or its whole text, when the add-on
    // asks for it) to the menu add-on of that key, after a commit; the add-on's
    // result replaces it. Nothing without an editor in focus or while an
    // add-on runs.
    void callAddon(const QString& key, const QString& subaction = {});
    DraftAddonHandler* addonHandler() const;
    QMenu* addonMenu() const;

    // --- saving and closing ---
    // Commits, then answers whether the entry differs from its saved copy.
    void determineIfSaveIsNeeded(std::function<void(bool needed)> answer);
    // The entry's needsSave as the last test left it.
    bool needsSave() const;
    // Writes the entry, a local post without a date of its own dated now;
    // false (and the user told) when it could not.
    bool saveToDisk();
    // Writes the entry as it stands; false (and the user told) when it could not.
    bool writeEntry();
    void renewCopy();
    void saveDocument();
    void saveDocumentAs();
    // The close road: saves or asks, then the registry closes the draft.
    void save();
    // The save sheet. With `reviewStep`, the quit review goes on through it
    // with true (saved or discarded, draft closed) or false (cancelled).
    void askToSave(std::function<void(bool goOn)> reviewStep = {});
    // Commits and saves a changed draft; then `done`. For the autosave.
    void saveIfNeeded(std::function<void()> done);
    // Commits, saves a changed draft, then the registry closes it; `done` after.
    void forceClose(std::function<void()> done);
    // Commits for the quit: `done` with whether the draft needs saving.
    void commitForQuit(std::function<void(bool needed)> done);

    // After an editor failed to answer, a road that would close the window
    // stops once (true), the note shown; the next attempt goes through.
    bool holdForFallback();

    // Tears the window down; called by DraftController::close().
    void close();
    bool isClosed() const { return m_closed; }

    // --- window delegate ---
    bool windowShouldClose();
    void windowDidBecomeKey();
    // Whether `view` is an editing area in use: text fields and lists always,
    // the rich editors in rich mode, the source editors in source mode.
    bool isActiveView(QWidget* view) const;
    // Brings the enabled states and titles of the draft's commands up to date.
    void validateActions();
    // The window's commands, menus and toolbar.
    DraftActions& actions() const { return *m_actions; }

    // --- categories, blog and format ---
    // The side panel's categories and tags list and the draft's side of it.
    DraftCategories* categoryList() const { return m_categories.get(); }
    // The blog menu and the format pop-up.
    DraftBlogMenu* blogMenu() const { return m_blogMenu.get(); }
    // Moves the post to `target` (asking first for a published post).
    void switchAccount(Blog* target);

    // --- DraftEditorHost ---
    Entry* entryBeingEdited() override;
    AttachmentPtr attachmentForKey(const QString& key) override;
    QList<AttachmentPtr> allAttachments() override;
    void addAttachment(const AttachmentPtr& attachment, bool temporary) override;
    bool isTemporaryAttachment(const QString& key) override;
    void removeTemporaryAttachment(const QString& key) override;
    const Template* htmlTemplate() override;
    const Template* imageTemplate() override;
    void displayAttachmentSheet(const QString& key) override;
    void insertURLWithClipboard() override;
    void insertImageWithClipboard() override;
    // Neither the attachment sheet nor the clipboard insertions are built yet.
    bool canDisplayAttachmentSheet() const override;
    bool canInsertWithClipboard() const override;

signals:
    // The window became the active window.
    void activated(Draft* draft);
    // The draft now edits the entry's copy in another blog.
    void entryMoved(Draft* draft);
    // The user changed the text of an editor or of the title or keywords
    // field (typing, pasting, undoing, a command); moving the caret is no change.
    void textEdited();

private:
    friend class DraftActions;
    friend class DraftAddons;
    friend class DraftBlogMenu;
    friend class DraftBlogSetup;
    friend class DraftEditing;
    friend class DraftEditors;
    friend class DraftEntryWatch;
    friend class DraftSaving;
    friend class DraftSheets;
    friend class DraftWindowLayout;

    void commit(const QString& road, EditorCommitter::Continuation then);
    void saveToEntry(const EditorCommitter::Result& result);
    void editorFellBack(const QString& road, const QStringList& keys);
    void showNotice(const QString& text);

    void observeNotifications();

    std::weak_ptr<Entry> m_entry;
    QPointF m_topLeft;
    int m_mode = SourceMode;
    int m_subTag = ExtendedTag;

    std::unique_ptr<DraftBlogSetup> m_blogSetup;
    std::unique_ptr<DraftWindowLayout> m_layout;
    std::unique_ptr<DraftSheets> m_sheets;
    std::unique_ptr<DraftFocus> m_focus;
    std::unique_ptr<DraftAddons> m_addons;
    std::unique_ptr<DraftActions> m_actions;
    std::unique_ptr<DraftAttachments> m_attachments;
    std::unique_ptr<DraftEditors> m_editors;
    std::unique_ptr<DraftSaving> m_saving;
    std::unique_ptr<DraftEntryWatch> m_entryWatch;
    std::unique_ptr<DraftEditing> m_editing;
    std::unique_ptr<DraftPanels> m_panels;
    std::unique_ptr<DraftCategories> m_categories;
    std::unique_ptr<DraftBlogMenu> m_blogMenu;
    DraftRevisions* m_revisions = nullptr;

    EditorCommitter* m_committer = nullptr;
    bool m_fallbackUnacknowledged = false;
    bool m_closing = false; // the registry is closing the draft
    bool m_closed = false;
};
