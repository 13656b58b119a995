#include "HtmlSyntaxHighlighter.h"

#include <QTextDocument>

namespace {

// The blocks of a document as numbered lines.
class DocumentLines : public HtmlSyntax::Lines {
public:
    explicit DocumentLines(const QTextDocument* document) : m_document(document) {}
    int count() const override { return m_document->blockCount(); }
    QString line(int number) const override { return m_document->findBlockByNumber(number).text(); }

private:
    const QTextDocument* m_document;
};

HtmlSyntax::State stateBefore(const QTextBlock& block)
{
    const QTextBlock previous = block.previous();
    const int state = previous.isValid() ? previous.userState() : -1;
    return state < 0 ? HtmlSyntax::State::Text : HtmlSyntax::State(state);
}

} // namespace

HtmlSyntaxHighlighter::HtmlSyntaxHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(static_cast<QObject*>(document))
{
    // Connected before the highlighter's own reaction, so that it never reads
    // a stale index; the recolouring of an enclosing tag comes after it.
    connect(document, &QTextDocument::contentsChange, this, [this] { m_closes.reset(); });
    setDocument(document);
    connect(document, &QTextDocument::contentsChange, this, &HtmlSyntaxHighlighter::followEdit);
    setColors(Qt::darkBlue, Qt::darkGreen, Qt::gray);
}

void HtmlSyntaxHighlighter::setColors(const QColor& tag, const QColor& value, const QColor& bracket)
{
    m_tag.setForeground(tag);
    m_value.setForeground(value);
    m_bracket.setForeground(bracket);
}

QList<HtmlSyntax::Span> HtmlSyntaxHighlighter::spansOfBlock(const QTextBlock& block)
{
    if (!block.isValid())
        return {};
    const DocumentLines lines(document());
    return HtmlSyntax::colourLine(block.text(), stateBefore(block), lines, block.blockNumber(),
                                  m_closes)
        .spans;
}

void HtmlSyntaxHighlighter::highlightBlock(const QString& text)
{
    const QTextBlock block = currentBlock();
    const DocumentLines lines(document());
    const HtmlSyntax::LineColours colours =
        HtmlSyntax::colourLine(text, stateBefore(block), lines, block.blockNumber(), m_closes);
    for (const HtmlSyntax::Span& span : colours.spans) {
        switch (span.kind) {
        case HtmlSyntax::Kind::Plain:
            break;
        case HtmlSyntax::Kind::Tag:
            setFormat(int(span.start), int(span.length), m_tag);
            break;
        case HtmlSyntax::Kind::Value:
            setFormat(int(span.start), int(span.length), m_value);
            break;
        case HtmlSyntax::Kind::Bracket:
            setFormat(int(span.start), int(span.length), m_bracket);
            break;
        }
    }
    setCurrentBlockState(int(colours.end));
}

void HtmlSyntaxHighlighter::followEdit(int position, int, int)
{
    const QTextBlock edited = document()->findBlock(position);
    if (!edited.isValid() || !HtmlSyntax::isInsideTag(stateBefore(edited)))
        return;
    QTextBlock first = edited.previous();
    while (first.previous().isValid() && HtmlSyntax::isInsideTag(stateBefore(first)))
        first = first.previous();
    for (QTextBlock block = first; block.isValid() && block != edited; block = block.next())
        rehighlightBlock(block);
}
