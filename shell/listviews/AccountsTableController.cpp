#include "AccountsTableController.h"

#include "AccountsReordering.h"
#include "PropertyList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

AccountsTableController::AccountsTableController(QAbstractItemView* table)
    : QObject(table), m_table(table)
{
    table->setAcceptDrops(true);
    table->viewport()->setAcceptDrops(true);
    table->setDragEnabled(false); // the drag is this controller's
    table->viewport()->installEventFilter(this);
    m_dropLine = new QWidget(table->viewport());
    m_dropLine->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dropLine->setAutoFillBackground(true);
    QPalette colors = m_dropLine->palette();
    colors.setColor(QPalette::Window, table->palette().color(QPalette::Active, QPalette::Link));
    m_dropLine->setPalette(colors);
    m_dropLine->hide();
}

AccountsTableController::~AccountsTableController() = default;

QMimeData* AccountsTableController::mimeDataForRows(const QList<int>& rows)
{
    QVariantList numbers;
    for (int row : rows)
        numbers.append(qint64(row));
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(mimeType),
                  PropertyList::write(numbers, PropertyList::Format::Xml));
    return data;
}

QList<int> AccountsTableController::rowsFromMimeData(const QMimeData* data)
{
    QList<int> rows;
    if (!data)
        return rows;
    const QVariant list = PropertyList::read(data->data(QString::fromLatin1(mimeType)));
    if (list.metaType().id() != QMetaType::QVariantList)
        return rows;
    for (const QVariant& number : list.toList())
        if (number.canConvert<qint64>() && number.toLongLong() >= 0 &&
            !rows.contains(number.toInt()))
            rows.append(number.toInt());
    return rows;
}

bool AccountsTableController::acceptsDrag(const QMimeData* data, const QObject* source) const
{
    return data && m_table && source == m_table && data->hasFormat(QString::fromLatin1(mimeType));
}

int AccountsTableController::dropRowAt(const QPoint& position) const
{
    if (!m_table || !m_table->model())
        return 0;
    const QModelIndex index = m_table->indexAt(position);
    if (!index.isValid())
        return position.y() < 0 ? 0 : m_table->model()->rowCount(m_table->rootIndex());
    return index.row();
}

bool AccountsTableController::acceptDrop(const QList<int>& rows, int dropRow)
{
    QAbstractItemModel* model = m_table ? m_table->model() : nullptr;
    if (!model || rows.isEmpty())
        return false;
    const QModelIndex root = m_table->rootIndex();
    const int count = model->rowCount(root);
    for (int row : rows)
        if (row < 0 || row >= count)
            return false;
    dropRow = qBound(0, dropRow, count);
    for (const AccountsReordering::Step& step : AccountsReordering::moves(rows, dropRow)) {
        if (step.from == step.to)
            continue;
        // moveRows counts the destination before the row is taken out.
        const int destination = step.to > step.from ? step.to + 1 : step.to;
        if (!model->moveRows(root, step.from, 1, root, destination))
            return false;
    }
    const int first = AccountsReordering::blockStart(rows, dropRow);
    const QModelIndex top = model->index(first, 0, root);
    const QModelIndex bottom =
        model->index(first + int(rows.size()) - 1, qMax(0, model->columnCount(root) - 1), root);
    if (QItemSelectionModel* selection = m_table->selectionModel()) {
        selection->select(QItemSelection(top, bottom),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
    }
    return true;
}

void AccountsTableController::startDrag()
{
    QItemSelectionModel* selection = m_table->selectionModel();
    const QModelIndex pressed = m_table->indexAt(m_pressPosition);
    if (!selection || !pressed.isValid())
        return;
    if (!selection->isRowSelected(pressed.row(), pressed.parent()))
        selection->select(pressed, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QList<int> rows;
    for (const QModelIndex& row : selection->selectedRows())
        rows.append(row.row());
    std::sort(rows.begin(), rows.end());
    auto* drag = new QDrag(m_table);
    drag->setMimeData(mimeDataForRows(rows));
    drag->exec(Qt::MoveAction);
    hideDropLine();
}

void AccountsTableController::showDropLine(int dropRow)
{
    QAbstractItemModel* model = m_table->model();
    const int count = model ? model->rowCount(m_table->rootIndex()) : 0;
    int y = 0;
    if (count > 0) {
        const QRect row =
            m_table->visualRect(model->index(qMin(dropRow, count - 1), 0, m_table->rootIndex()));
        y = dropRow < count ? row.top() : row.bottom() + 1;
    }
    m_dropLine->setGeometry(0, qMax(0, y - 1), m_table->viewport()->width(), 2);
    m_dropLine->show();
    m_dropLine->raise();
}

void AccountsTableController::hideDropLine()
{
    m_dropLine->hide();
}

bool AccountsTableController::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_table || watched != m_table->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressed = mouse->button() == Qt::LeftButton;
        m_pressPosition = mouse->position().toPoint();
        return false;
    }
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        return false;
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_pressed || !(mouse->buttons() & Qt::LeftButton) ||
            (mouse->position().toPoint() - m_pressPosition).manhattanLength() <
                QApplication::startDragDistance())
            return false;
        m_pressed = false;
        startDrag();
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!acceptsDrag(drag->mimeData(), drag->source())) {
            drag->ignore();
            hideDropLine();
            return true;
        }
        drag->setDropAction(Qt::MoveAction);
        drag->accept();
        showDropLine(dropRowAt(drag->position().toPoint()));
        return true;
    }
    case QEvent::DragLeave:
        hideDropLine();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        hideDropLine();
        if (!acceptsDrag(drop->mimeData(), drop->source())) {
            drop->ignore();
            return true;
        }
        if (acceptDrop(rowsFromMimeData(drop->mimeData()), dropRowAt(drop->position().toPoint()))) {
            drop->setDropAction(Qt::MoveAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    default:
        return false;
    }
}
