// The HTML source view of a draft window: its text, caret and commands.
#include "RVTextView.h"

#include "CloseTagScanner.h"
#include "DraftEditorHost.h"
#include "HtmlSyntaxHighlighter.h"
#include "NotificationCenter.h"
#include "RVTag.h"
#include "SourceViewMenu.h"
#include "SourceViewRuns.h"
#include "SourceViewSpelling.h"
#include "SourceViewStyle.h"
#include "SourceViewValidation.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QToolTip>
#include <algorithm>

const char* const RVTextView::StoredMimeType = "application/x-plumet-stored-html";

namespace {

using AttachmentRuns::Run;

// A key press that types text (or a line break, or a tab) into the view.
bool typesText(const QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return true;
    const QString text = event->text();
    return !text.isEmpty() && (text.at(0).isPrint() || text.at(0) == QLatin1Char('\t'));
}

} // namespace

QString RVTextView::lineFeeds(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

RVTextView::RVTextView(QWidget* parent)
    : QPlainTextEdit(parent), m_runs(std::make_unique<SourceViewRuns>(*this)),
      m_validation(std::make_unique<SourceViewValidation>(*this)),
      m_spelling(std::make_unique<SourceViewSpelling>(*this)),
      m_menu(std::make_unique<SourceViewMenu>(*this)),
      m_style(std::make_unique<SourceViewStyle>(*this))
{
    setUndoRedoEnabled(true);
    m_highlighter = new HtmlSyntaxHighlighter(document());
    // Nothing is left pending: every later change is coloured as it happens.
    m_highlighter->rehighlight();
    connect(document(), &QTextDocument::contentsChange, this, &RVTextView::textEdited);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &RVTextView::snapSelection);
    connect(this, &QPlainTextEdit::selectionChanged, this, &RVTextView::snapSelection);

    viewport()->setMouseTracking(true);
    readPreferences();
    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.observe(QStringLiteral("no_alias"), this, [this](const Notification&) {
        setNoAntiAlias(UserDefaults::sharedInstance().boolean(QStringLiteral("no_alias")));
    });
    center.observe(QStringLiteral("spell_check"), this, [this](const Notification&) {
        const QVariant on = UserDefaults::sharedInstance().value(QStringLiteral("spell_check"));
        setContinuousSpellChecking(!on.isValid() || on.toBool());
    });
    setDefaults(false);
}

RVTextView::~RVTextView()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    m_runs->stopObservingAll();
}

void RVTextView::readPreferences()
{
    m_style->readPreference();
    m_spelling->readPreference();
}

// --- settings ---------------------------------------------------------------

void RVTextView::setDraft(DraftEditorHost* draft)
{
    m_draft = draft;
    setDefaults(false);
    setCurrentCharFormat(QTextCharFormat());
}

void RVTextView::setDefaults(bool recolour)
{
    m_style->setDefaults(recolour);
}

bool RVTextView::noAntiAlias() const
{
    return m_style->noAntiAlias();
}

void RVTextView::setNoAntiAlias(bool noAntiAlias)
{
    m_style->setNoAntiAlias(noAntiAlias);
}

void RVTextView::setSpellingLanguage(const QString& language)
{
    m_spelling->setSpellingLanguage(language);
}

bool RVTextView::continuousSpellChecking() const
{
    return m_spelling->continuousSpellChecking();
}

void RVTextView::setContinuousSpellChecking(bool on)
{
    m_spelling->setContinuousSpellChecking(on);
}

// --- text in and out --------------------------------------------------------

QString RVTextView::shownText() const
{
    return lineFeeds(document()->toRawText());
}

void RVTextView::setString(const QString& text)
{
    ++m_quiet;
    m_runs->stopObservingAll();
    m_validation->clearErrorHighlight();

    const QString stored = lineFeeds(text);
    QList<AttachmentPtr> attachments;
    const AttachmentRuns::Shown shown = m_runs->shownForm(stored, attachments);

    document()->setUndoRedoEnabled(false);
    setPlainText(shown.text);
    QTextCursor cursor(document());
    for (const Run& run : shown.runs) {
        cursor.setPosition(int(run.start));
        cursor.setPosition(int(run.end()), QTextCursor::KeepAnchor);
        cursor.setCharFormat(m_runs->runFormat(run.key));
    }
    document()->setUndoRedoEnabled(true);
    m_runs->observePlaced(shown, attachments);
    m_lastSelection = {};
    setCurrentCharFormat(QTextCharFormat());
    plainTypingAtCaret();
    --m_quiet;
    m_spelling->schedule();
}

QString RVTextView::string() const
{
    return m_runs->storedText(0, document()->characterCount() - 1);
}

QString RVTextView::storedSelection() const
{
    const QTextCursor cursor = textCursor();
    return m_runs->storedText(cursor.selectionStart(), cursor.selectionEnd());
}

QList<Run> RVTextView::linkRuns() const
{
    return m_runs->linkRuns();
}

std::optional<Run> RVTextView::runAt(qsizetype position) const
{
    return m_runs->runAt(position);
}

void RVTextView::openLink(LinkCommand command, std::optional<qsizetype> position)
{
    m_runs->openLink(command, position);
}

// --- commands ---------------------------------------------------------------

void RVTextView::replaceSelectionWith(const QString& stored, qsizetype back)
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    m_runs->insertStored(cursor, stored);
    cursor.endEditBlock();
    cursor.setPosition(int(cursor.position() - back));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void RVTextView::bold()
{
    const QString selection = storedSelection();
    const QString close = QStringLiteral("</strong>");
    replaceSelectionWith(QStringLiteral("<strong>") + selection + close,
                         selection.isEmpty() ? 0 : close.size());
}

void RVTextView::italic()
{
    const QString selection = storedSelection();
    const QString close = QStringLiteral("</em>");
    replaceSelectionWith(QStringLiteral("<em>") + selection + close,
                         selection.isEmpty() ? 0 : close.size());
}

void RVTextView::applyCustomTag(const RVTag& tag)
{
    const QString selection = storedSelection();
    const QString clipboard = QGuiApplication::clipboard()->text();
    const QString markup = tag.markupString(selection, clipboard);
    qsizetype back = 0;
    if (!selection.isEmpty()) {
        // Just before the closing text: the end tag, or a custom tag's own
        // closing text.
        if (tag.custom())
            back = std::min(tag.customClose().size(), markup.size());
        else if (tag.closeTag())
            back = std::min(tag.openTag().size() + 3, markup.size());
    }
    replaceSelectionWith(markup, back);
}

void RVTextView::customReplaceText(const QString& text)
{
    replaceSelectionWith(text, 0);
}

void RVTextView::customInsertText(const QString& text)
{
    const QTextCursor selection = textCursor();
    const int start = selection.selectionStart();
    const int length = selection.selectionEnd() - start;
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.insertText(lineFeeds(text), QTextCharFormat());
    setSelectedRange(cursor.position(), length);
}

void RVTextView::closeOpenTag()
{
    const QString tag = CloseTagScanner::closingTag(shownText(), textCursor().selectionEnd());
    if (!tag.isEmpty())
        customInsertText(tag);
}

void RVTextView::setSelectedRange(qsizetype start, qsizetype length)
{
    const qsizetype textLength = document()->characterCount() - 1;
    if (start < 0 || start > textLength)
        return;
    if (length < 0 || start + length > textLength)
        length = 0;
    QTextCursor cursor = textCursor();
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void RVTextView::validateHTML()
{
    m_validation->validateHTML();
}

bool RVTextView::errorHighlighted() const
{
    return m_validation->errorHighlighted();
}

QMessageBox* RVTextView::alertSheet() const
{
    return m_validation->alertSheet();
}

void RVTextView::refreshExtraSelections()
{
    setExtraSelections(m_spelling->marks() + m_validation->errorMarks());
}

// --- editing ----------------------------------------------------------------

bool RVTextView::refusesDeletion(qsizetype start, qsizetype length) const
{
    return length == 1 && start >= 0 && runAt(start).has_value();
}

// Text typed at the caret takes the plain format, never that of a run beside it.
void RVTextView::plainTypingAtCaret()
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection() && cursor.charFormat().isAnchor())
        setCurrentCharFormat(QTextCharFormat());
}

void RVTextView::snapSelection()
{
    if (m_snapping)
        return;
    QTextCursor cursor = textCursor();
    const qsizetype anchor = cursor.anchor();
    const qsizetype position = cursor.position();
    const CaretSnapping::Range proposed{std::min(anchor, position), std::abs(position - anchor)};
    const CaretSnapping::Range snapped =
        CaretSnapping::snap(m_lastSelection, proposed, document()->characterCount() - 1,
                            [this](qsizetype index) -> std::optional<CaretSnapping::Range> {
                                if (const std::optional<Run> run = runAt(index))
                                    return CaretSnapping::Range{run->start, run->length};
                                return std::nullopt;
                            });
    if (snapped != proposed) {
        m_snapping = true;
        const bool forward = position >= anchor;
        cursor.setPosition(int(forward ? snapped.start : snapped.end()));
        cursor.setPosition(int(forward ? snapped.end() : snapped.start), QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        m_snapping = false;
    }
    m_lastSelection = snapped;
    plainTypingAtCaret();
}

void RVTextView::textEdited()
{
    if (m_quiet)
        return;
    m_validation->clearErrorHighlight();
    if (document()->isEmpty())
        setCurrentCharFormat(QTextCharFormat());
    m_spelling->schedule();
    reportChange();
}

void RVTextView::keyPressEvent(QKeyEvent* event)
{
    if (isReadOnly()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    QTextCursor cursor = textCursor();
    const qsizetype start = cursor.selectionStart();
    const qsizetype length = cursor.selectionEnd() - start;
    const bool plainKey =
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    bool refused = false;
    if (event->key() == Qt::Key_Backspace && plainKey)
        refused = length ? refusesDeletion(start, length) : refusesDeletion(start - 1, 1);
    else if (event->key() == Qt::Key_Delete && plainKey)
        refused = refusesDeletion(start, length ? length : 1);
    else if (event->matches(QKeySequence::Cut))
        refused = refusesDeletion(start, length);
    if (refused) {
        QApplication::beep();
        event->accept();
        return;
    }
    if (typesText(event) && cursor.hasSelection() && cursor.charFormat().isAnchor()) {
        // Typing over a selection that ends in a run: the run goes, the typed
        // text stays plain, in one step.
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        setTextCursor(cursor);
        setCurrentCharFormat(QTextCharFormat());
        QPlainTextEdit::keyPressEvent(event);
        cursor.endEditBlock();
    } else {
        if (typesText(event))
            plainTypingAtCaret();
        QPlainTextEdit::keyPressEvent(event);
    }
}

void RVTextView::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty())
        plainTypingAtCaret();
    QPlainTextEdit::inputMethodEvent(event);
}

bool RVTextView::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasFormat(QString::fromLatin1(StoredMimeType)) || source->hasText();
}

QMimeData* RVTextView::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(lineFeeds(cursor.selectedText()));
    data->setData(QString::fromLatin1(StoredMimeType), storedSelection().toUtf8());
    return data;
}

void RVTextView::insertFromMimeData(const QMimeData* source)
{
    const QString storedType = QString::fromLatin1(StoredMimeType);
    const bool stored = source->hasFormat(storedType);
    const QString text = stored ? QString::fromUtf8(source->data(storedType)) : source->text();
    if (text.isEmpty() && !stored)
        return;
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    if (stored)
        m_runs->insertStored(cursor, text);
    else
        cursor.insertText(lineFeeds(text), QTextCharFormat());
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

// --- mouse and menus --------------------------------------------------------

QMenu* RVTextView::contextMenuAt(const QPoint& position)
{
    return m_menu->menuAt(position);
}

void RVTextView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = contextMenuAt(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void RVTextView::mousePressEvent(QMouseEvent* event)
{
    m_pressPosition = event->position().toPoint();
    QPlainTextEdit::mousePressEvent(event);
}

void RVTextView::mouseMoveEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseMoveEvent(event);
    if (event->buttons() == Qt::NoButton)
        viewport()->setCursor(anchorAt(event->position().toPoint()).isEmpty()
                                  ? Qt::IBeamCursor
                                  : Qt::PointingHandCursor);
}

void RVTextView::mouseReleaseEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    const QPoint position = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !m_draft ||
        (position - m_pressPosition).manhattanLength() > QApplication::startDragDistance())
        return;
    const QString key = anchorAt(position);
    if (!key.isEmpty())
        m_draft->displayAttachmentSheet(key);
}

bool RVTextView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString key = anchorAt(help->pos());
        if (key.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), m_runs->runFormat(key).toolTip(), viewport());
        return true;
    }
    return QPlainTextEdit::viewportEvent(event);
}

void RVTextView::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    m_spelling->schedule();
}

// --- the draft's editor -----------------------------------------------------

void RVTextView::commitContent(TextHandler then)
{
    if (then)
        then(string());
}

void RVTextView::setContent(const QString& content)
{
    setString(content);
}

void RVTextView::fetchSelection(TextHandler then)
{
    if (then)
        then(storedSelection());
}

void RVTextView::replaceSelection(const QString& text)
{
    customReplaceText(text);
}

void RVTextView::undo()
{
    QPlainTextEdit::undo();
}

void RVTextView::redo()
{
    QPlainTextEdit::redo();
}
