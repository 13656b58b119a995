#include "RVSubView.h"

#include <QResizeEvent>
#include <algorithm>

namespace {

constexpr int leftMargin = 8;
constexpr int rightMargin = 8;
constexpr int labelGap = 5;
constexpr int offsetInset = 15;

} // namespace

RVSubView::RVSubView(QWidget* parent) : QWidget(parent) {}

RVSubView::RVSubView(QWidget* header, QWidget* content, QWidget* parent) : QWidget(parent)
{
    setHeaderField(header);
    setContentField(content);
}

void RVSubView::setHeaderField(QWidget* header)
{
    m_header = header;
    if (header) {
        header->setParent(this);
        header->resize(header->sizeHint());
        header->show();
    }
    placeFields();
}

void RVSubView::setContentField(QWidget* content)
{
    m_content = content;
    if (content) {
        content->setParent(this);
        content->show();
        setFocusProxy(content);
    }
    placeFields();
}

int RVSubView::contentOffset() const
{
    if (!m_header || !m_content)
        return 0;
    return m_header->width();
}

void RVSubView::setContentOffset(int offset)
{
    if (!m_header || !m_content)
        return;
    m_contentLeft = offset + offsetInset;
    placeFields();
    update();
}

void RVSubView::alignRows(const QList<RVSubView*>& rows)
{
    int widest = 0;
    for (const RVSubView* row : rows)
        widest = std::max(widest, row ? row->contentOffset() : 0);
    if (widest <= 0)
        return;
    for (RVSubView* row : rows) {
        if (row)
            row->setContentOffset(widest);
    }
}

void RVSubView::setActive()
{
    if (m_content && window() && window()->isVisible())
        m_content->setFocus(Qt::OtherFocusReason);
}

QSize RVSubView::sizeHint() const
{
    const int labelHeight = m_header ? m_header->sizeHint().height() : 0;
    const int fieldHeight = m_content ? m_content->sizeHint().height() : 0;
    const int labelWidth = m_header ? m_header->width() : 0;
    return {leftMargin + labelWidth + labelGap + 240 + rightMargin,
            std::max(labelHeight, fieldHeight) + 6};
}

QSize RVSubView::minimumSizeHint() const
{
    return {120, sizeHint().height()};
}

void RVSubView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeFields();
}

void RVSubView::placeFields()
{
    // The content field ends at the right margin; its left edge is the
    // content offset's, or right after the label until one is given.
    const int labelWidth = m_header ? m_header->width() : 0;
    const int contentLeft = m_contentLeft >= 0 ? m_contentLeft : leftMargin + labelWidth + labelGap;
    if (m_content) {
        const int fieldHeight = std::min(m_content->sizeHint().height(), height());
        m_content->setGeometry(contentLeft, (height() - fieldHeight) / 2,
                               std::max(0, width() - rightMargin - contentLeft), fieldHeight);
    }
    if (m_header) {
        const int labelHeight = m_header->height();
        m_header->move(contentLeft - labelGap - labelWidth, (height() - labelHeight) / 2);
    }
}
