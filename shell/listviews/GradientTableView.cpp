#include "GradientTableView.h"

#include "SelectionGradient.h"

#include <QKeyEvent>
#include <QMetaMethod>
#include <QPainter>

GradientTableView::GradientTableView(QWidget* parent)
    : QTableView(parent), m_selectionColor(palette().color(QPalette::Active, QPalette::Highlight))
{
    SelectionGradient::takeOverSelection(*this);
    QPalette colors = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        colors.setColor(group, QPalette::HighlightedText, Qt::white);
    setPalette(colors);
    setShowGrid(false);
}

GradientTableView::~GradientTableView() = default;

void GradientTableView::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(viewport());
        SelectionGradient::paintSelection(painter, *this, m_selectionColor);
    }
    QTableView::paintEvent(event);
}

void GradientTableView::keyPressEvent(QKeyEvent* event)
{
    const bool hasRows = model() && model()->rowCount(rootIndex()) > 0;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (hasRows) {
            emit doubleAction(this);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (isSignalConnected(QMetaMethod::fromSignal(&GradientTableView::removeRequested)))
            emit removeRequested(this);
        event->accept();
        return;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void GradientTableView::mousePressEvent(QMouseEvent* event)
{
    if (SelectionGradient::swallowsFirstClick(m_acceptsFirstMouse)) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void GradientTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit doubleAction(this);
}

void GradientTableView::selectionChanged(const QItemSelection& selected,
                                         const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    viewport()->update();
}
