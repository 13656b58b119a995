#include "RVDraftWindow.h"

#include "Draft.h"

#include <QCloseEvent>

RVDraftWindow::RVDraftWindow(Draft* delegate, QWidget* parent)
    : QMainWindow(parent), m_delegate(delegate)
{
}

RVDraftWindow::~RVDraftWindow() = default;

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
    if (event->type() == QEvent::ActivationChange && m_delegate && isActiveWindow())
        m_delegate->windowDidBecomeKey();
}
