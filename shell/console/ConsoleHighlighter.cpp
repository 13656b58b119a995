#include "ConsoleHighlighter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace {

// Kept in a block's user state: the state its first stretch starts in, whether
// that stretch goes on from the previous block's piece, whether the block has a
// StretchList, and the generation of colours it was coloured in (0: none yet).
struct BlockState {
    ConsoleState entry = ConsoleState::Text;
    bool continues = false;
    bool hasList = false;
    int generation = 0;

    static constexpr int generationShift = 5;
    static constexpr int lastGeneration = (1 << (31 - generationShift)) - 1;

    static BlockState of(const QTextBlock& block)
    {
        const int value = block.userState();
        if (value < 0) // never noted: the document's first, empty block
            return {};
        return {ConsoleState(value & 7), (value & 8) != 0, (value & 16) != 0,
                value >> generationShift};
    }
    void storeIn(QTextBlock block) const
    {
        block.setUserState(int(entry) | int(continues) << 3 | int(hasList) << 4 |
                           generation << generationShift);
    }
};

// The stretches of a block that holds more than one plain stretch: a piece that
// starts inside the block (in Text, not going on from anything), or a piece's
// lone bracket. The first stretch starts at 0.
struct StretchList : public QTextBlockUserData {
    struct Stretch {
        int offset = 0;
        int loneBracket = -1; // within the block
    };
    QList<Stretch> stretches{Stretch{}};

    static StretchList* of(const QTextBlock& block)
    {
        return BlockState::of(block).hasList ? static_cast<StretchList*>(block.userData())
                                             : nullptr;
    }
};

// The piece as the document will hold it: every block break a line feed.
QString withPlainLineFeeds(const QString& piece)
{
    auto isBreak = [](QChar c) {
        return c == u'\r' || c == QChar::ParagraphSeparator || c == u'\xFDD0' || c == u'\xFDD1';
    };
    if (std::none_of(piece.cbegin(), piece.cend(), isBreak))
        return piece;
    QString text;
    text.reserve(piece.size());
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const QChar c = piece.at(i);
        if (c == u'\r' && i + 1 < piece.size() && piece.at(i + 1) == u'\n')
            continue; // the line feed that follows makes the one break
        text += isBreak(c) ? QChar(u'\n') : c;
    }
    return text;
}

} // namespace

ConsoleHighlighter::ConsoleHighlighter(QTextDocument* document) : m_document(document) {}

void ConsoleHighlighter::append(const QString& piece)
{
    const QString text = withPlainLineFeeds(piece);
    if (text.isEmpty())
        return;
    const QList<ConsoleState> lineStates = consoleLineStates(text);
    const qsizetype loneBracket = consoleLoneBracket(text);
    qsizetype bracketLine = -1, bracketColumn = -1;
    if (loneBracket >= 0) {
        bracketLine = QStringView(text).first(loneBracket).count(u'\n');
        bracketColumn = loneBracket - (text.lastIndexOf(u'\n', loneBracket) + 1);
    }

    QTextCursor cursor(m_document);
    cursor.movePosition(QTextCursor::End);
    QTextBlock block = cursor.block();
    const int offset = cursor.position() - block.position();
    cursor.insertText(text);

    // The block the piece starts in keeps its data: a piece at its start makes
    // it new, one further on adds a stretch to it.
    if (offset == 0) {
        block.setUserData(nullptr);
        BlockState state;
        if (bracketLine == 0) {
            auto* list = new StretchList;
            list->stretches.first().loneBracket = int(bracketColumn);
            block.setUserData(list);
            state.hasList = true;
        }
        state.storeIn(block);
    } else {
        BlockState state = BlockState::of(block);
        StretchList* list = StretchList::of(block);
        if (!list) {
            list = new StretchList;
            block.setUserData(list);
        }
        list->stretches.append({offset, bracketLine == 0 ? int(offset + bracketColumn) : -1});
        state.hasList = true;
        state.generation = 0;
        state.storeIn(block);
    }
    for (qsizetype line = 1; line <= lineStates.size(); ++line) {
        block = block.next();
        BlockState state{lineStates.at(line - 1), true, line == bracketLine, 0};
        if (state.hasList) {
            auto* list = new StretchList;
            list->stretches.first().loneBracket = int(bracketColumn);
            block.setUserData(list);
        }
        state.storeIn(block);
    }
}

void ConsoleHighlighter::setFormats(const std::array<QTextCharFormat, 4>& formats)
{
    m_formats = formats;
    m_generation = m_generation == BlockState::lastGeneration ? 1 : m_generation + 1;
}

bool ConsoleHighlighter::isColoured(const QTextBlock& block) const
{
    return block.userState() >= 0 && BlockState::of(block).generation == m_generation;
}

QList<ConsoleSpan> ConsoleHighlighter::spans(const QTextBlock& block) const
{
    const BlockState state = BlockState::of(block);
    const StretchList* list = StretchList::of(block);
    const QList<StretchList::Stretch> stretches =
        list ? list->stretches : QList<StretchList::Stretch>{StretchList::Stretch{}};
    // Where the piece of the block's last stretch goes on, if it does.
    ConsoleState exit = ConsoleState::End;
    if (const QTextBlock next = block.next(); next.isValid()) {
        const BlockState following = BlockState::of(next);
        if (following.continues)
            exit = following.entry;
    }

    const QString text = block.text();
    QList<ConsoleSpan> spans;
    for (qsizetype i = 0; i < stretches.size(); ++i) {
        const bool last = i + 1 == stretches.size();
        const qsizetype from = stretches.at(i).offset;
        const qsizetype to = last ? text.size() : stretches.at(i + 1).offset;
        const int lone = stretches.at(i).loneBracket;
        const ConsoleStretch stretch{i == 0 ? state.entry : ConsoleState::Text,
                                     last ? exit : ConsoleState::End, lone >= 0 ? lone - from : -1};
        for (ConsoleSpan span :
             colorizeConsoleStretch(QStringView(text).mid(from, to - from), stretch)) {
            span.start += from;
            spans.append(span);
        }
    }
    return spans;
}

void ConsoleHighlighter::colourBlock(const QTextBlock& block)
{
    if (!block.isValid() || isColoured(block))
        return;
    QList<QTextLayout::FormatRange> ranges;
    for (const ConsoleSpan& span : spans(block)) {
        if (span.role != ConsoleRole::Text)
            ranges.append({int(span.start), int(span.length), m_formats.at(size_t(span.role))});
    }
    QTextLayout* layout = block.layout();
    if (!ranges.isEmpty() || !layout->formats().isEmpty()) {
        layout->setFormats(ranges);
        // A block not laid out yet takes its colours when it is; one laid out
        // is laid out again.
        if (layout->lineCount() > 0)
            m_document->markContentsDirty(block.position(), block.length());
    }
    BlockState state = BlockState::of(block);
    state.generation = m_generation;
    state.storeIn(block);
}
