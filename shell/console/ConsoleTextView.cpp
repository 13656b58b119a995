#include "ConsoleTextView.h"

#include "ConsoleStyle.h"

#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

ConsoleTextView::ConsoleTextView(QWidget* parent)
    : QPlainTextEdit(parent), m_highlighter(document())
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Wrapping a run without word breaks (Base64, a long address) anywhere
    // takes Qt time that grows with the square of its length; such a run
    // scrolls sideways instead.
    setWordWrapMode(QTextOption::WordWrap);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ConsoleTextView::colourVisibleBlocks);
}

void ConsoleTextView::appendPieces(const QStringList& pieces)
{
    {
        // The scroll bars follow the text while it changes; colour once it is in.
        const QScopedValueRollback appending(m_appending, true);
        for (const QString& piece : pieces)
            m_highlighter.append(piece);
        trimHistory();
    }
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    colourVisibleBlocks();
}

void ConsoleTextView::scrollToTop()
{
    verticalScrollBar()->setValue(0);
    colourVisibleBlocks();
}

void ConsoleTextView::applyConsoleStyle(const ConsoleStyle& style)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, style.background);
    colours.setColor(QPalette::Text, style.text);
    setPalette(colours);
    setFont(style.font);
    m_highlighter.setFormats({style.format(ConsoleRole::Text), style.format(ConsoleRole::Code),
                              style.format(ConsoleRole::Attribute),
                              style.format(ConsoleRole::Bracket)});
    colourVisibleBlocks();
}

QList<QTextBlock> ConsoleTextView::visibleBlocks() const
{
    QList<QTextBlock> blocks;
    if (!isVisible())
        return blocks;
    const qreal bottom = viewport()->height();
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    for (; block.isValid() && top <= bottom; block = block.next()) {
        blocks.append(block);
        top += blockBoundingRect(block).height();
    }
    return blocks;
}

void ConsoleTextView::colourVisibleBlocks()
{
    if (m_appending || !isVisible())
        return;
    m_colouringQueued = false;
    // Each block is coloured before it is measured, so that a block new to the
    // screen is laid out once, in its colours.
    const qreal bottom = viewport()->height();
    QTextBlock block = firstVisibleBlock();
    m_highlighter.colourBlock(block);
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    for (; block.isValid() && top <= bottom; block = block.next()) {
        m_highlighter.colourBlock(block);
        top += blockBoundingRect(block).height();
    }
}

void ConsoleTextView::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    colourVisibleBlocks();
}

void ConsoleTextView::showEvent(QShowEvent* event)
{
    QPlainTextEdit::showEvent(event);
    colourVisibleBlocks();
}

void ConsoleTextView::paintEvent(QPaintEvent* event)
{
    // Whatever brought other blocks into view without a scroll or a resize:
    // colour them right after this paint rather than change layouts inside it.
    if (!m_colouringQueued) {
        const QList<QTextBlock> blocks = visibleBlocks();
        if (std::any_of(blocks.cbegin(), blocks.cend(), [this](const QTextBlock& block) {
                return !m_highlighter.isColoured(block);
            })) {
            m_colouringQueued = true;
            QMetaObject::invokeMethod(this, &ConsoleTextView::colourVisibleBlocks,
                                      Qt::QueuedConnection);
        }
    }
    QPlainTextEdit::paintEvent(event);
}

void ConsoleTextView::trimHistory()
{
    QTextDocument* text = document();
    int cut = 0;
    if (text->blockCount() > maximumBlocks)
        cut = text->findBlockByNumber(text->blockCount() - maximumBlocks).position();
    const int firstKept = text->characterCount() - maximumCharacters;
    if (firstKept > cut) {
        QTextBlock block = text->findBlock(firstKept);
        if (block.position() < firstKept && block.next().isValid())
            block = block.next();
        cut = std::max(cut, block.position());
    }
    if (cut <= 0)
        return;
    // The first block kept keeps its notes on the colouring.
    QTextCursor cursor(text);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
