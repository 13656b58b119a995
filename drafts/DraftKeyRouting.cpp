// Tab through a draft window's editing areas, the preview that follows the typing, and the
// editor buttons that follow the focus.
#include "DraftKeyRouting.h"

#include "Draft.h"
#include "DraftCategories.h"
#include "DraftEditor.h"
#include "DraftExtensions.h"
#include "DraftWindowLayout.h"
#include "RVCatsController.h"
#include "RVDraftWindow.h"
#include "RVTableView.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// The wait after the last change before the preview follows it.
constexpr qint64 previewDelayMsec = 3000;

bool previewVisible()
{
    const auto& visible = DraftExtensions::sharedInstance().previewVisible;
    return visible && visible();
}

} // namespace

DraftKeyRouting::DraftKeyRouting(RVDraftWindow* window)
    : QObject(window), m_window(window), m_clock(&Clock::system())
{
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { focusChanged(now); });
    if (Draft* owner = draft())
        connect(owner, &Draft::textEdited, this, &DraftKeyRouting::textEdited);
}

DraftKeyRouting::~DraftKeyRouting()
{
    if (m_watched)
        m_watched->removeEventFilter(this);
}

void DraftKeyRouting::setClock(Clock* clock)
{
    m_clock = clock ? clock : &Clock::system();
    m_previewTimer.reset();
}

Draft* DraftKeyRouting::draft() const
{
    return m_window->delegate();
}

QList<QWidget*> DraftKeyRouting::cycle() const
{
    Draft* owner = draft();
    if (!owner)
        return {};
    RVCatsController* cats = owner->categoryList()->controller();
    return {owner->layout().titleField(),
            owner->layout().keywordField(),
            DraftEditor::widgetOf(owner->editor(Draft::RichMode, false)),
            DraftEditor::widgetOf(owner->editor(Draft::SourceMode, false)),
            DraftEditor::widgetOf(owner->editor(Draft::RichMode, true)),
            DraftEditor::widgetOf(owner->editor(Draft::SourceMode, true)),
            cats ? cats->searchField() : nullptr,
            cats ? cats->tableView() : nullptr};
}

void DraftKeyRouting::focusChanged(QWidget* now)
{
    if (m_watched)
        m_watched->removeEventFilter(this);
    m_watched = nullptr;
    m_preedit = false;
    if (!now || now->window() != m_window)
        return;
    m_watched = now;
    now->installEventFilter(this);
    switchButtons(now);
}

bool DraftKeyRouting::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watched) {
        if (event->type() == QEvent::InputMethod)
            m_preedit = !static_cast<QInputMethodEvent*>(event)->preeditString().isEmpty();
        else if (event->type() == QEvent::KeyPress && routeTab(*static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

bool DraftKeyRouting::routeTab(const QKeyEvent& event)
{
    constexpr Qt::KeyboardModifiers modifiers =
        Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier;
    if (event.key() != Qt::Key_Tab || (event.modifiers() & modifiers))
        return false;
    Draft* owner = draft();
    QWidget* focus = QApplication::focusWidget();
    if (!owner || !focus || composing(focus))
        return false;
    const QList<QWidget*> views = cycle();
    // The area the focus lies in: the web view's keys arrive in a child of it.
    qsizetype found = -1;
    for (QWidget* w = focus; w && found < 0; w = w->isWindow() ? nullptr : w->parentWidget())
        found = views.indexOf(w);
    if (found < 0)
        return false;
    for (qsizetype step = 1; step <= views.size(); ++step) {
        QWidget* next = views.at((found + step) % views.size());
        if (next && owner->isActiveView(next)) {
            next->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

bool DraftKeyRouting::composing(QWidget* focus) const
{
    if (m_preedit)
        return true;
    const DraftEditor* editor = DraftEditor::containing(focus);
    return editor && editor->isComposing();
}

void DraftKeyRouting::switchButtons(QWidget* focus)
{
    Draft* owner = draft();
    if (!owner)
        return;
    DraftEditor* focused = DraftEditor::containing(focus);
    FocusKind kind = FocusKind::Other;
    for (const int mode : {Draft::RichMode, Draft::SourceMode}) {
        for (const bool sub : {false, true}) {
            DraftEditor* editor = owner->editor(mode, sub);
            if (!editor)
                continue;
            editor->setButtonsEnabled(editor == focused);
            if (editor == focused)
                kind = mode == Draft::RichMode ? FocusKind::RichEditor : FocusKind::SourceView;
        }
    }
    emit focusKindChanged(kind);
}

void DraftKeyRouting::textEdited()
{
    if (!previewVisible())
        return;
    m_previewTimer = m_clock->singleShot(previewDelayMsec, [this] { refreshPreview(); });
}

void DraftKeyRouting::windowDeactivated()
{
    if (m_previewTimer)
        refreshPreview();
}

void DraftKeyRouting::refreshPreview()
{
    m_previewTimer.reset();
    Draft* owner = draft();
    // A window going away refreshes nothing: its preview closes with it.
    if (owner && !owner->isClosed() && m_window->isVisible() && previewVisible())
        owner->requestPreviewRefresh();
}
