#include "RVTableView.h"

#include <QKeyEvent>
#include <QMetaMethod>

namespace {

// Keys that never join the type-ahead: control and unassigned characters,
// white space and line ends, and keys that type nothing (arrows, function keys).
bool excluded(const QString& text)
{
    if (text.size() != 1 && !(text.size() == 2 && text.at(0).isHighSurrogate()))
        return true;
    const char32_t code = text.toUcs4().value(0);
    const QChar::Category category = QChar::category(code);
    if (category == QChar::Other_Control || category == QChar::Other_NotAssigned ||
        category == QChar::Other_Surrogate || QChar::isSpace(code))
        return true;
    // The range the old platform gave its function keys.
    return code >= 0xF700 && code <= 0xF8FE;
}

} // namespace

RVTableView::RVTableView(QWidget* parent) : QTableView(parent) {}

RVTableView::~RVTableView() = default;

void RVTableView::keyboardSearch(const QString&) {}

bool RVTableView::answers(const QMetaMethod& signal) const
{
    return isSignalConnected(signal);
}

void RVTableView::keyPressEvent(QKeyEvent* event)
{
    const bool hasRows = model() && model()->rowCount(rootIndex()) > 0;
    if (answers(QMetaMethod::fromSignal(&RVTableView::inlineSearch)) && hasRows &&
        !excluded(event->text())) {
        m_keyString += event->text();
        emit inlineSearch(m_keyString);
        stopKeyTimer();
        m_keyTimer = m_clock->singleShot(keyPause, [this] { eraseKeys(); });
        event->accept();
        return;
    }
    m_keyString.clear();
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (answers(QMetaMethod::fromSignal(&RVTableView::deleteKeyPressed))) {
            emit deleteKeyPressed(this);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (answers(QMetaMethod::fromSignal(&RVTableView::enterKeyPressed))) {
            emit enterKeyPressed(this);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void RVTableView::eraseKeys()
{
    m_keyString.clear();
    m_keyTimer.reset();
    emit inlineSearch(m_keyString);
}

void RVTableView::stopKeyTimer()
{
    m_keyTimer.reset();
}
