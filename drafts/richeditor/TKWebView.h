#pragma once

#include "AsyncDraftEditor.h"
#include "DraftEditor.h"
#include "EditorPageBuilder.h"
#include "ModelTypes.h"
#include "RichBlockMap.h"
#include "RichHtmlSerializer.h"
#include "RichSelectionState.h"
#include "RichStyleBar.h"
#include "WebContentView.h"

#include <QPointer>
#include <optional>

class DraftEditorHost;
class RichEditorBridge;

// The WYSIWYG editor of a draft window: the post shown as an editable page
// built from the editor templates and the blog's rich template, its content
// given back as the post's HTML by the serializer.
//
// The page runs in another process, so everything here is asynchronous: the
// logic stays in C++, the DOM work is done by the page script (editor.js and
// the parts that follow it) in our isolated world, which reports changes, the
// selection state, double clicks and followed links over the web channel and
// answers calls with plain values (the content as a snapshot). Calls made
// while a page loads wait for it; answers from a page that was replaced
// meanwhile are dropped. The post's own scripts never run (the page is shown
// under the content policy).
class TKWebView : public EditableWebView, public DraftEditor, public AsyncDraftEditor {
    Q_OBJECT
public:
    explicit TKWebView(QWidget* parent = nullptr);
    ~TKWebView() override;

    // The draft window that owns the editor (not owned; it outlives the editor).
    void setDraft(DraftEditorHost* draft) { m_draft = draft; }
    DraftEditorHost* draft() const { return m_draft; }

    // The style bar that follows this editor and acts on it (not owned).
    void setStyleBar(RichStyleBar* bar);
    RichStyleBar* styleBar() const { return m_styleBar; }

    // Builds and shows the page for `source` (a stored body: attachments as
    // their keys) with the blog's rich template (null for the default one).
    // When a page template is missing nothing is shown and the content stays.
    void setSource(const QString& source, const TemplatePtr& richTemplate);
    // The alignment keyword of the template shown last.
    QString defaultAlignment() const { return m_defaultAlignment; }

    // The content serialized, with the selection mapped onto it; later, once.
    using SerializedHandler = std::function<void(const RichHtmlSerializer::Result& result)>;
    void plainSource(SerializedHandler then);
    // The content as the draft stores it: serialized, then pretty-printed.
    void source(TextHandler then);
    // The content the page last sent by itself (a second after the last
    // change), serialized; empty before it has sent any. It is also handed
    // to the draft, pretty-printed as the draft stores it (pushContent).
    QString lastSnapshotHtml() const { return m_lastSnapshotHtml; }

    const RichSelectionState& selectionState() const { return m_selectionState; }
    // While off, selection changes leave the style bar alone.
    void setCanHandleSelChange(bool can) { m_canHandleSelChange = can; }

    // The style bar's commands, also for menus and keys.
    void applyStyle(RichStyle style, bool on);
    // Enables the style bar when `enabled`, the editor is shown and a
    // selection lies in the content; disables it otherwise.
    void toggleStyleButtons(bool enabled);

    // Whether the user may change the content (formatters that take no HTML
    // keep it read-only); kept across loads.
    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }

    // The widget the draft puts in its pane: the editor, or what holds it
    // with its style bar.
    void setEditorWidget(QWidget* widget) { m_editorWidget = widget; }

    // DraftEditor
    QWidget* editorWidget() override { return m_editorWidget ? m_editorWidget.data() : this; }
    void commitContent(TextHandler then) override;
    void setContent(const QString& content) override;
    void fetchSelection(TextHandler then) override;
    void replaceSelection(const QString& text) override;
    // In the page, before the replacement that follows on the same channel.
    void selectWholeContent() override;
    void applyCustomTag(const RVTag& tag) override;
    // Toggle the style where the selection is, as the style bar does.
    void bold() override;
    void italic() override;
    void undo() override;
    void redo() override;
    bool isComposing() const override { return m_selectionState.composing; }
    void setButtonsEnabled(bool enabled) override { toggleStyleButtons(enabled); }

signals:
    void selectionStateChanged(const RichSelectionState& state);
    // The content the page sent by itself, serialized.
    void contentSnapshotted(const QString& html);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RichHtmlSerializer serializer() const;
    void selectionReported(const QString& json);
    void snapshotReported(const QString& json);
    void elementDoubleClicked(const QString& id);
    void followLink(const QUrl& url);
    void showContextMenu(QMenu* menu, const QPoint& globalPos, const QVariantMap& target);
    std::optional<RichHtmlSerializer::Result> serialized(const QVariant& json) const;
    std::optional<RichDomSnapshot> snapshotOf(const QVariant& answer) const;
    // The post for a snapshot: untouched blocks as they were loaded, the
    // rest serialized.
    struct Stored {
        QList<RichBlockMap::Part> parts;
        QStringList temporaryKeys;
    };
    Stored storedParts(const RichDomSnapshot& snapshot) const;
    // The parts joined, those written anew pretty-printed; `then` once.
    void prettyPrinted(QList<RichBlockMap::Part> parts, TextHandler then);
    // Asks the page which pieces of the source its top-level nodes came from.
    void readLoadedBlocks();
    void watchForFocus(QObject* child);
    // The code of the dictionary the blog's language chooses, as for the
    // source view; empty when none is installed.
    QString spellingDictionary() const;
    // The engine and the page check spelling as the preference says.
    void followSpellingPreference();

    DraftEditorHost* m_draft = nullptr;
    RichEditorBridge* m_bridge;
    QPointer<RichStyleBar> m_styleBar;
    EditorPageBuilder m_builder;
    TemplatePtr m_template;
    QString m_defaultAlignment;
    RichSelectionState m_selectionState;
    QString m_lastSnapshotHtml;
    // The source last loaded, its pieces, and once the page said where they
    // went, the map of its blocks.
    QString m_loadedSource;
    QList<qsizetype> m_pieceLengths;
    std::optional<RichBlockMap> m_blockMap;
    quint64 m_loadGeneration = 0;
    // The blog's language and the dictionary chosen for it.
    struct SpellingChoice {
        QString language;
        QString code;
    };
    mutable std::optional<SpellingChoice> m_spelling;
    bool m_canHandleSelChange = true;
    bool m_editable = true;
    bool m_restarting = false; // the renderer died; its page is being shown again
    QPointer<QWidget> m_editorWidget;
};
