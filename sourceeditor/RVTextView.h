// The HTML source view of a draft window: its text, caret and commands.
#pragma once

#include "AttachmentRuns.h"
#include "CaretSnapping.h"
#include "DraftEditor.h"
#include "ModelTypes.h"
#include "TidyDiagnostics.h"

#include <QHash>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

class DraftEditorHost;
class HtmlSyntaxHighlighter;
class QMenu;
class SourceViewMenu;
class SourceViewRuns;
class SourceViewSpelling;
class SourceViewStyle;
class SourceViewValidation;

// The HTML source view of a draft window: the post body edited as HTML, in
// the colours of the blog's HTML template.
//
// Each attachment of the draft that is not yet uploaded shows as its markup
// in an attachment run: the characters carry the attachment's key as their
// link (and a tool tip), a click opens the attachment's settings, and the
// caret never rests inside one. string() gives the body back with each run
// collapsed to its key. Single-character deletions inside a run are refused,
// so a run is removed only whole. Typed and pasted text is always plain: it
// never joins a run and never brings a link of its own; only the draft's own
// attachments become runs.
//
// Colours, spelling marks and the validation error's highlight are shown
// over the text and never enter it, its undo history or a copy.
//
// The view keeps the text, the caret and the commands; its parts keep the
// rest: SourceViewRuns (the attachment runs), SourceViewStyle (font and
// colours), SourceViewSpelling, SourceViewValidation and SourceViewMenu.
class RVTextView : public QPlainTextEdit, public DraftEditor {
    Q_OBJECT
public:
    enum class LinkCommand { Open, Edit, Remove };

    explicit RVTextView(QWidget* parent = nullptr);
    ~RVTextView() override;

    // The draft window (not owned; it outlives the view). Takes its template.
    void setDraft(DraftEditorHost* draft);
    DraftEditorHost* draft() const { return m_draft; }
    // Font and colours from the draft's HTML template; recolours when asked.
    void setDefaults(bool recolour);

    // The body in its stored form, in and out.
    void setString(const QString& text);
    QString string() const;
    // The text as shown, line feeds between lines.
    QString shownText() const;

    // Markup commands, each one step the user can undo.
    void bold() override;
    void italic() override;
    void applyCustomTag(const RVTag& tag) override;
    // Replaces the selection, caret after the new text. Keys of the draft's
    // attachments in `text` show as their runs.
    void customReplaceText(const QString& text);
    // Inserts `text` before the selection, which stays selected.
    void customInsertText(const QString& text);
    // Inserts the end tag of the innermost element open before the selection.
    void closeOpenTag();
    // Checks the HTML with HTML Tidy and says the result in a sheet; the first
    // error's line and character are highlighted until the next edit. The check
    // runs beside the window; its answer is dropped when the text has changed or
    // another check was asked for meanwhile.
    void validateHTML();
    // Works on the attachment run at `position` (the selection's start when
    // omitted): opens its file or address, opens its settings, or deletes it.
    void openLink(LinkCommand command, std::optional<qsizetype> position = std::nullopt);
    // Selects, when `start` lies in the text; a range running past the end
    // becomes a caret at `start`. Scrolls it into view.
    void setSelectedRange(qsizetype start, qsizetype length);

    bool noAntiAlias() const;
    void setNoAntiAlias(bool noAntiAlias);
    // The blog's language: a dictionary title or code (see SpellChecker).
    void setSpellingLanguage(const QString& language);
    bool continuousSpellChecking() const;
    void setContinuousSpellChecking(bool on);

    // The link runs of the text, in order.
    QList<AttachmentRuns::Run> linkRuns() const;
    // The run holding the character at `position`.
    std::optional<AttachmentRuns::Run> runAt(qsizetype position) const;
    HtmlSyntaxHighlighter* highlighter() const { return m_highlighter; }
    bool errorHighlighted() const;
    // The sheet last shown (validation result), while it is open.
    QMessageBox* alertSheet() const;
    // The menu for a right click at `position` (viewport coordinates); the
    // caller owns it.
    QMenu* contextMenuAt(const QPoint& position);

    // DraftEditor
    QWidget* editorWidget() override { return this; }
    void commitContent(TextHandler then) override;
    void setContent(const QString& content) override;
    void fetchSelection(TextHandler then) override;
    void replaceSelection(const QString& text) override;
    void undo() override;
    void redo() override;

    // The clipboard form of a selection that keeps attachment runs: the
    // stored form, as UTF-8.
    static const char* const StoredMimeType;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class SourceViewMenu;
    friend class SourceViewRuns;
    friend class SourceViewSpelling;
    friend class SourceViewStyle;
    friend class SourceViewValidation;

    // `text` with line feeds for every kind of line end.
    static QString lineFeeds(QString text);
    QString storedSelection() const;
    // Replaces the selection with stored text; the caret ends `back`
    // characters before the end of the new text.
    void replaceSelectionWith(const QString& stored, qsizetype back);
    bool refusesDeletion(qsizetype start, qsizetype length) const;
    void plainTypingAtCaret();
    void snapSelection();
    void textEdited();
    void refreshExtraSelections();
    void readPreferences();

    DraftEditorHost* m_draft = nullptr;
    std::unique_ptr<SourceViewRuns> m_runs;
    std::unique_ptr<SourceViewValidation> m_validation;
    std::unique_ptr<SourceViewSpelling> m_spelling;
    std::unique_ptr<SourceViewMenu> m_menu;
    std::unique_ptr<SourceViewStyle> m_style;
    HtmlSyntaxHighlighter* m_highlighter = nullptr;
    CaretSnapping::Range m_lastSelection;
    bool m_snapping = false;
    int m_quiet = 0; // changes made by the view itself, not the user
    QPoint m_pressPosition;
};
