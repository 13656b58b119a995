#include "TKWebView.h"

#include "Attachment.h"
#include "Blog.h"
#include "DesktopLinks.h"
#include "DraftEditorHost.h"
#include "Entry.h"
#include "EntryRenderer.h"
#include "HtmlTidy.h"
#include "NotificationCenter.h"
#include "RVTag.h"
#include "RichEditorBridge.h"
#include "RichEditorLog.h"
#include "RichMarkupReader.h"
#include "SpellDictionaries.h"
#include "Template.h"
#include "UserDefaults.h"
#include "WebContent.h"

#include <QChildEvent>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QUuid>
#include <QWebChannel>
#include <utility>

namespace {

using namespace Qt::StringLiterals;

// The parts of the page script, in the order they run. They run as one
// script wrapped in one function, so they share its scope and nothing of
// theirs becomes a global of our world.
const char* const EditorScriptParts[] = {
    "editor.js",
    "editorSnapshot.js",
    "editorSelection.js",
    "editorInput.js",
    "editorCommands.js",
    "editorLoad.js",
};

const QString& editorScript()
{
    static const QString script = [] {
        QString source = u"\"use strict\";\n(function () {\n"_s;
        for (const char* part : EditorScriptParts) {
            QFile file(u":/plumet/richeditor/"_s + QLatin1StringView(part));
            if (!file.open(QIODevice::ReadOnly)) {
                qCWarning(lcRichEditor) << "Missing javascript file!" << part;
                return QString();
            }
            source += QString::fromUtf8(file.readAll()) + u'\n';
        }
        return source + u"})();\n"_s;
    }();
    return script;
}

// The page command of a style.
QString commandName(RichStyle style)
{
    switch (style) {
    case RichStyle::Bold:
        return u"bold"_s;
    case RichStyle::Italic:
        return u"italic"_s;
    case RichStyle::Underline:
        return u"underline"_s;
    case RichStyle::AlignLeft:
        return u"justifyLeft"_s;
    case RichStyle::AlignJustify:
        return u"justifyFull"_s;
    case RichStyle::AlignCenter:
        return u"justifyCenter"_s;
    case RichStyle::AlignRight:
        return u"justifyRight"_s;
    case RichStyle::Blockquote:
        return u"blockquote"_s;
    case RichStyle::OrderedList:
        return u"insertOrderedList"_s;
    case RichStyle::UnorderedList:
        return u"insertUnorderedList"_s;
    }
    return {};
}

// Spelling is checked as the user's preference says, and when it says nothing.
bool checksSpelling()
{
    const QVariant on = UserDefaults::sharedInstance().value(u"spell_check"_s);
    return !on.isValid() || on.toBool();
}

} // namespace

TKWebView::TKWebView(QWidget* parent)
    : EditableWebView(parent), m_bridge(new RichEditorBridge(this))
{
    setContextMenuPolicy(Qt::DefaultContextMenu);
    WebContentPage* page = contentPage();
    page->webChannel()->registerObject(u"editor"_s, m_bridge);
    page->addPageScript(u"plumet-editor"_s, editorScript());
    page->setLinkHandler([this](const QUrl& url) {
        followLink(url);
        return true;
    });
    connect(m_bridge, &RichEditorBridge::contentChanged, this, [this] { reportChange(); });
    connect(m_bridge, &RichEditorBridge::selectionStateChanged, this,
            &TKWebView::selectionReported);
    connect(m_bridge, &RichEditorBridge::snapshotTaken, this, &TKWebView::snapshotReported);
    connect(m_bridge, &RichEditorBridge::elementDoubleClicked, this,
            &TKWebView::elementDoubleClicked);
    connect(m_bridge, &RichEditorBridge::linkFollowed, this,
            [this](const QString& url) { followLink(QUrl(url)); });
    connect(page, &WebContentPage::documentReady, this, [this] {
        if (!m_editable)
            contentPage()->callFunction(u"editorSetEditable"_s, {false});
        followSpellingPreference();
        readLoadedBlocks();
        if (std::exchange(m_restarting, false))
            reportRecovered();
    });
    NotificationCenter::sharedInstance().observe(
        u"spell_check"_s, this, [this](const Notification&) { followSpellingPreference(); });
    // The engine's widget that takes the keys comes and goes with the page's
    // renderer; whichever it is, its focus is watched.
    for (QObject* child : children())
        watchForFocus(child);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                // The page is shown again as it was loaded: what was typed is
                // gone with the renderer. The draft keeps the last snapshot and
                // gives it back once the page is ready.
                m_restarting = true;
                reportFailure(tr("The rich editor's page stopped (code %1).").arg(exitCode));
            });
}

QString TKWebView::spellingDictionary() const
{
    QString language;
    if (m_draft) {
        if (Entry* entry = m_draft->entryBeingEdited()) {
            if (auto* blog = dynamic_cast<Blog*>(entry->parentBlog()))
                language = blog->language();
        }
    }
    // Listing the installed dictionaries reads folders: once per language, not per focus.
    if (!m_spelling || m_spelling->language != language) {
        const auto dictionary = SpellDictionaries::dictionaryFor(language);
        m_spelling = SpellingChoice{language, dictionary ? dictionary->code : QString()};
    }
    return m_spelling->code;
}

void TKWebView::followSpellingPreference()
{
    // The engine checks every editable page of the program with one
    // dictionary: the blog's of the editor shown or typed in last.
    const bool on = checksSpelling();
    WebContent::setSpellChecking(on, spellingDictionary());
    contentPage()->callFunction(u"editorSetSpellChecking"_s, {on});
}

void TKWebView::setEditable(bool editable)
{
    m_editable = editable;
    contentPage()->callFunction(u"editorSetEditable"_s, {editable});
    toggleStyleButtons(true);
}

TKWebView::~TKWebView() = default;

void TKWebView::setStyleBar(RichStyleBar* bar)
{
    if (m_styleBar)
        disconnect(m_styleBar, nullptr, this, nullptr);
    m_styleBar = bar;
    if (!bar)
        return;
    connect(bar, &RichStyleBar::styleRequested, this, &TKWebView::applyStyle);
    bar->showState(m_selectionState, m_defaultAlignment);
    toggleStyleButtons(true);
}

void TKWebView::setSource(const QString& source, const TemplatePtr& richTemplate)
{
    m_template = richTemplate ? richTemplate : Template::defaultRichTemplate();
    QList<std::pair<QString, QString>> markup;
    if (m_draft) {
        const Template* imageTemplate = m_draft->imageTemplate();
        for (const AttachmentPtr& attachment : m_draft->allAttachments()) {
            if (attachment)
                markup.append(
                    {attachment->uniqueID(), attachment->generateMarkup(true, imageTemplate)});
        }
    }
    // The pieces of the source that untouched blocks keep. A post with
    // attachments is shown with their markup in place of their keys, so its
    // pieces would not be the stored bytes: it is written anew.
    QList<qsizetype> lengths;
    if (markup.isEmpty() && !source.trimmed().isEmpty())
        lengths = RichBlockMap::pieceLengths(source);
    if (lengths.size() < 2)
        lengths.clear();
    QString blocks;
    if (!lengths.isEmpty()) {
        blocks = QUuid::createUuid().toString(QUuid::Id128);
        for (const qsizetype length : lengths)
            blocks += u' ' + QString::number(length);
    }
    const std::optional<EditorPageBuilder::Page> page =
        m_builder.build(EditorPageBuilder::mainContent(source, markup), *m_template, blocks);
    if (!page)
        return; // the missing template is logged; the content shown stays
    ++m_loadGeneration;
    m_blockMap.reset();
    m_loadedSource = source;
    m_pieceLengths = lengths;
    m_defaultAlignment = page->defaultAlignment;
    m_selectionState = {};
    m_lastSnapshotHtml.clear();
    showDocument(page->html, WebContentPage::Content::Post);
}

RichHtmlSerializer TKWebView::serializer() const
{
    DraftEditorHost* draft = m_draft;
    return RichHtmlSerializer(
        [draft](const QString& id) -> std::optional<RichHtmlSerializer::AttachmentText> {
            if (!draft || id.isEmpty())
                return std::nullopt;
            const AttachmentPtr attachment = draft->attachmentForKey(id);
            if (!attachment)
                return std::nullopt;
            // A picture of the post the user opened as an attachment goes
            // back as its finished markup; a listed attachment as its key.
            if (draft->isTemporaryAttachment(id))
                return RichHtmlSerializer::AttachmentText{
                    attachment->generateMarkup(false, draft->imageTemplate()), true};
            return RichHtmlSerializer::AttachmentText{id, false};
        });
}

std::optional<RichDomSnapshot> TKWebView::snapshotOf(const QVariant& answer) const
{
    // Sent unasked the snapshot comes as JSON text, answered to a call as a value.
    QString error = QStringLiteral("it is not a snapshot");
    std::optional<RichDomSnapshot> snapshot;
    if (answer.typeId() == QMetaType::QString)
        snapshot = RichDomSnapshot::fromJson(answer.toString().toUtf8(), &error);
    else
        snapshot = RichDomSnapshot::fromPageValue(answer.toMap());
    if (!snapshot)
        qCWarning(lcRichEditor) << "The editor page sent no usable content:" << error;
    return snapshot;
}

TKWebView::Stored TKWebView::storedParts(const RichDomSnapshot& snapshot) const
{
    Stored stored;
    if (!m_blockMap) {
        RichHtmlSerializer::Result result = serializer().serialize(snapshot);
        stored.temporaryKeys = result.temporaryKeys;
        if (!result.html.isEmpty())
            stored.parts.append({result.html, true});
        return stored;
    }
    const RichHtmlSerializer writer = serializer();
    stored.parts =
        m_blockMap->splice(snapshot.root.children, [&](size_t first, size_t count) {
            RichHtmlSerializer::Result result = writer.serialize(snapshot, first, count);
            stored.temporaryKeys += result.temporaryKeys;
            return result.html;
        });
    // The ends of the post are trimmed where they were written anew.
    if (!stored.parts.isEmpty() && stored.parts.first().fresh)
        stored.parts.first().text = stored.parts.first().text.trimmed();
    if (!stored.parts.isEmpty() && stored.parts.last().fresh)
        stored.parts.last().text = stored.parts.last().text.trimmed();
    return stored;
}

void TKWebView::readLoadedBlocks()
{
    if (m_pieceLengths.isEmpty())
        return;
    QPointer<TKWebView> self(this);
    const quint64 generation = m_loadGeneration;
    contentPage()->callFunction(
        u"editorLoadedBlocks"_s, {}, [self, generation](const QVariant& answer) {
            if (!self || self->m_loadGeneration != generation)
                return;
            const QVariantMap value = answer.toMap();
            const QString html = value.value(u"html"_s).toString();
            QList<int> nodePieces;
            for (const QVariant& number : value.value(u"nodePieces"_s).toList())
                nodePieces.append(number.toInt());
            if (html.isNull() || nodePieces.isEmpty())
                return; // the page could not keep the pieces apart
            self->m_blockMap =
                RichBlockMap::make(self->m_loadedSource, self->m_pieceLengths, nodePieces,
                                   RichMarkupReader::read(html), html);
        });
}

std::optional<RichHtmlSerializer::Result> TKWebView::serialized(const QVariant& answer) const
{
    const std::optional<RichDomSnapshot> snapshot = snapshotOf(answer);
    if (!snapshot)
        return std::nullopt;
    return serializer().serialize(*snapshot);
}

void TKWebView::plainSource(SerializedHandler then)
{
    QPointer<TKWebView> self(this);
    contentPage()->callFunction(u"editorSnapshot"_s, {},
                                [self, then = std::move(then)](const QVariant& json) {
                                    if (!self || !then)
                                        return;
                                    if (auto result = self->serialized(json))
                                        then(*result);
                                });
}

void TKWebView::prettyPrinted(QList<RichBlockMap::Part> parts, TextHandler then)
{
    // Only what was written anew is pretty-printed, beside the window and
    // within the draft's wait for the content; the rest keeps its bytes.
    struct Join {
        QList<RichBlockMap::Part> parts;
        int waiting = 0;
        TextHandler then;
    };
    auto join = std::make_shared<Join>(Join{std::move(parts), 0, std::move(then)});
    for (const RichBlockMap::Part& part : join->parts) {
        if (part.fresh && !part.text.trimmed().isEmpty())
            ++join->waiting;
    }
    const bool writtenAnew = m_loadedSource.trimmed().isEmpty();
    if (join->waiting == 0) {
        if (join->then)
            join->then(RichBlockMap::join(join->parts));
        return;
    }
    for (qsizetype k = 0; k < join->parts.size(); ++k) {
        const RichBlockMap::Part& part = join->parts[k];
        if (!part.fresh || part.text.trimmed().isEmpty())
            continue;
        const QString written = part.text;
        HtmlTidy::prettyPrintLater(
            written, this,
            [join, k, written, writtenAnew](const QString& pretty) {
                // What Tidy adds around a run is not the post's; a post begun
                // empty is Tidy's as it stands.
                QString text = pretty;
                if (!writtenAnew && (written.isEmpty() || !written.back().isSpace()))
                    while (!text.isEmpty() && text.back().isSpace())
                        text.chop(1);
                if (!writtenAnew && (written.isEmpty() || !written.front().isSpace()))
                    while (!text.isEmpty() && text.front().isSpace())
                        text.remove(0, 1);
                join->parts[k].text = text;
                if (--join->waiting == 0 && join->then)
                    join->then(RichBlockMap::join(join->parts));
            },
            1000);
    }
}

void TKWebView::source(TextHandler then)
{
    QPointer<TKWebView> self(this);
    contentPage()->callFunction(
        u"editorSnapshot"_s, {}, [self, then = std::move(then)](const QVariant& answer) {
            if (!self)
                return;
            const std::optional<RichDomSnapshot> snapshot = self->snapshotOf(answer);
            if (!snapshot)
                return;
            const Stored stored = self->storedParts(*snapshot);
            // Newer than any snapshot still being tidied: that one must not be pushed after it.
            self->m_lastSnapshotHtml = RichBlockMap::join(stored.parts);
            // Written out into the post, a temporary attachment has done its work.
            if (self->m_draft) {
                for (const QString& key : stored.temporaryKeys)
                    self->m_draft->removeTemporaryAttachment(key);
            }
            if (then)
                self->prettyPrinted(stored.parts, then);
        });
}

void TKWebView::commitContent(TextHandler then)
{
    source(std::move(then));
}

void TKWebView::setContent(const QString& content)
{
    TemplatePtr richTemplate = m_template;
    if (m_draft) {
        if (Entry* entry = m_draft->entryBeingEdited()) {
            if (auto* blog = dynamic_cast<Blog*>(entry->parentBlog()))
                richTemplate = blog->richTemplate();
        }
    }
    setSource(content, richTemplate);
}

void TKWebView::fetchSelection(TextHandler then)
{
    plainSource([then = std::move(then)](const RichHtmlSerializer::Result& result) {
        if (!then)
            return;
        const SelectedTextRange range = result.selection;
        then(range.isFound() ? result.html.mid(range.location, range.length) : QString());
    });
}

void TKWebView::replaceSelection(const QString& text)
{
    contentPage()->callFunction(u"editorInsertHtml"_s, {text});
}

void TKWebView::selectWholeContent()
{
    contentPage()->callFunction(u"editorSelectAll"_s, {});
}

void TKWebView::applyCustomTag(const RVTag& tag)
{
    // The selection goes into the tag as the markup it is, so its own styles
    // and any "<" in its words survive; the clipboard is read when the page
    // answers, as the user sees it then.
    QPointer<TKWebView> self(this);
    fetchSelection([self, tag = tag.copy()](const QString& selection) {
        if (!self || !tag)
            return;
        const QClipboard* clipboard = QGuiApplication::clipboard();
        self->replaceSelection(
            tag->markupString(selection, clipboard ? clipboard->text() : QString()));
    });
}

void TKWebView::bold()
{
    applyStyle(RichStyle::Bold, !m_selectionState.bold);
}

void TKWebView::italic()
{
    applyStyle(RichStyle::Italic, !m_selectionState.italic);
}

void TKWebView::undo()
{
    triggerPageAction(QWebEnginePage::Undo);
}

void TKWebView::redo()
{
    triggerPageAction(QWebEnginePage::Redo);
}

void TKWebView::applyStyle(RichStyle style, bool on)
{
    contentPage()->callFunction(u"editorCommand"_s, {commandName(style), on});
}

void TKWebView::toggleStyleButtons(bool enabled)
{
    if (!m_styleBar)
        return;
    m_styleBar->setButtonsEnabled(enabled && m_editable && isEnabled() &&
                                  m_selectionState.hasSelection);
}

void TKWebView::selectionReported(const QString& json)
{
    m_selectionState = RichSelectionState::fromJson(json);
    if (m_canHandleSelChange && m_styleBar) {
        m_styleBar->showState(m_selectionState, m_defaultAlignment);
        toggleStyleButtons(true);
    }
    emit selectionStateChanged(m_selectionState);
}

void TKWebView::snapshotReported(const QString& json)
{
    const std::optional<RichDomSnapshot> snapshot = snapshotOf(json);
    if (!snapshot)
        return;
    const Stored stored = storedParts(*snapshot);
    m_lastSnapshotHtml = RichBlockMap::join(stored.parts);
    emit contentSnapshotted(m_lastSnapshotHtml);
    const QString html = m_lastSnapshotHtml;
    prettyPrinted(stored.parts, [this, html](const QString& pretty) {
        if (m_lastSnapshotHtml == html) // a later snapshot has the last word
            pushContent(pretty);
    });
}

void TKWebView::elementDoubleClicked(const QString& id)
{
    if (m_draft && m_draft->attachmentForKey(id))
        m_draft->displayAttachmentSheet(id);
}

void TKWebView::followLink(const QUrl& url)
{
    // A link whose query names an attachment of the draft ("id=KEY") opens
    // its sheet; any other goes to the browser.
    const QStringList components = url.query(QUrl::FullyDecoded).split(u'&');
    for (const QString& component : components) {
        if (!component.startsWith("id="_L1))
            continue;
        const QString key = component.mid(3);
        if (m_draft && m_draft->attachmentForKey(key)) {
            m_draft->displayAttachmentSheet(key);
            return;
        }
    }
    if (url.isValid() && url.scheme() != WebContent::schemeName())
        DesktopLinks::open(url, this);
}

void TKWebView::watchForFocus(QObject* child)
{
    if (child && child->isWidgetType())
        child->installEventFilter(this);
}

bool TKWebView::event(QEvent* event)
{
    if (event->type() == QEvent::ChildAdded)
        watchForFocus(static_cast<QChildEvent*>(event)->child());
    return EditableWebView::event(event);
}

bool TKWebView::eventFilter(QObject* watched, QEvent* event)
{
    // A click puts the caret where it lands. Focus that comes any other way
    // (the keyboard, a switch of editors) would leave the page without a
    // focused content and the first keys typed would go nowhere: the page
    // puts the caret in the post.
    if (event->type() == QEvent::FocusIn && watched == focusProxy()) {
        WebContent::setSpellChecking(checksSpelling(), spellingDictionary());
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason)
            contentPage()->callFunction(u"editorFocus"_s);
    }
    return EditableWebView::eventFilter(watched, event);
}

void TKWebView::contextMenuEvent(QContextMenuEvent* event)
{
    // The engine's own items (spelling, cut, copy, paste) now, ours once the
    // page says what was clicked.
    QPointer<QMenu> menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QPoint globalPos = event->globalPos();
    QPointer<TKWebView> self(this);
    contentPage()->callFunction(u"editorContextTarget"_s, {},
                                [self, menu, globalPos](const QVariant& target) {
                                    if (!self || !menu)
                                        return;
                                    self->showContextMenu(menu, globalPos, target.toMap());
                                });
    event->accept();
}

void TKWebView::showContextMenu(QMenu* menu, const QPoint& globalPos, const QVariantMap& target)
{
    const QString imageId = target.value(u"imageId"_s).toString();
    const QString link = target.value(u"link"_s).toString();
    QAction* first = menu->actions().value(0);
    if (!imageId.isEmpty()) {
        auto* edit = new QAction(tr("Edit Image..."), menu);
        edit->setEnabled(m_draft && m_draft->canDisplayAttachmentSheet());
        connect(edit, &QAction::triggered, this,
                [this, imageId] { elementDoubleClicked(imageId); });
        menu->insertAction(first, edit);
        first = edit;
    }
    if (!link.isEmpty()) {
        // Opening or saving the link's target has no place in an editor.
        for (QAction* action : menu->actions()) {
            for (const QWebEnginePage::WebAction web :
                 {QWebEnginePage::OpenLinkInNewWindow, QWebEnginePage::OpenLinkInNewTab,
                  QWebEnginePage::OpenLinkInThisWindow, QWebEnginePage::OpenLinkInNewBackgroundTab,
                  QWebEnginePage::DownloadLinkToDisk, QWebEnginePage::DownloadImageToDisk,
                  QWebEnginePage::DownloadMediaToDisk, QWebEnginePage::Reload,
                  QWebEnginePage::ViewSource, QWebEnginePage::SavePage}) {
                if (action == pageAction(web))
                    menu->removeAction(action);
            }
        }
        first = menu->actions().value(0);
        auto* remove = new QAction(tr("Remove Link"), menu);
        connect(remove, &QAction::triggered, this,
                [this] { contentPage()->callFunction(u"editorRemoveLink"_s); });
        menu->insertAction(first, remove);
    }
    for (const QWebEnginePage::WebAction web :
         {QWebEnginePage::Reload, QWebEnginePage::ViewSource, QWebEnginePage::SavePage,
          QWebEnginePage::Back, QWebEnginePage::Forward}) {
        menu->removeAction(pageAction(web));
    }
    if (m_draft) {
        menu->addSeparator();
        DraftEditorHost* draft = m_draft;
        const bool insertions = draft->canInsertWithClipboard();
        menu->addAction(tr("URL with Clipboard"), this,
                        [draft] { draft->insertURLWithClipboard(); })
            ->setEnabled(insertions);
        menu->addAction(tr("Image with Clipboard"), this,
                        [draft] { draft->insertImageWithClipboard(); })
            ->setEnabled(insertions);
    }
    menu->popup(globalPos);
}
