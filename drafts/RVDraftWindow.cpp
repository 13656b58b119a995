#include "RVDraftWindow.h"

#include "Draft.h"
#include "DraftKeyRouting.h"

#include <QCloseEvent>

RVDraftWindow::RVDraftWindow(Draft* delegate, QWidget* parent)
    : QMainWindow(parent), m_delegate(delegate), m_keys(new DraftKeyRouting(this))
{
}

RVDraftWindow::~RVDraftWindow() = default;

void RVDraftWindow::setClock(Clock* clock)
{
    m_keys->setClock(clock);
}

void RVDraftWindow::closeEvent(QCloseEvent* event)
{
    if (m_delegate && !m_delegate->windowShouldClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void RVDraftWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        if (m_delegate)
            m_delegate->windowDidBecomeKey();
    } else {
        // The user went to another window (the preview itself, say): what
        // was typed last shows there now rather than never.
        m_keys->windowDeactivated();
    }
}
