#include "ConsoleColorizer.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qsizetype notFound = std::numeric_limits<qsizetype>::max();

// The next position of one character at or after a position, for positions
// that never go back: an answer found earlier holds while it lies ahead. This
// is what keeps the walk linear; searching on from every tag to the end of the
// text, as a quote search not bounded by its tag would, made a 2 MB answer
// take many seconds.
class NextChar {
public:
    NextChar(QStringView text, char16_t c) : m_text(text), m_char(c) {}
    qsizetype from(qsizetype position)
    {
        if (m_found < position) {
            const qsizetype found = m_text.indexOf(QChar(m_char), position);
            m_found = found < 0 ? notFound : found;
        }
        return m_found;
    }

private:
    QStringView m_text;
    char16_t m_char;
    qsizetype m_found = -1;
};

// Walks a stretch once, reporting each run of one role with the state that
// holds inside it: report(from, to, role, state), runs in order, never empty.
template <class Report> void walk(QStringView text, const ConsoleStretch& stretch, Report&& report)
{
    using S = ConsoleState;
    using R = ConsoleRole;
    const qsizetype length = text.size();
    NextChar nextOpen(text, u'<');
    NextChar nextClose(text, u'>');
    NextChar nextQuote(text, u'"');
    // What lies beyond the stretch, for a tag or quoted value still open at its end.
    const bool tagClosesLater = stretch.exit == S::Tag || stretch.exit == S::Quoted ||
                                stretch.exit == S::TagAfterUnpairedQuote;
    const bool quoteClosesLater = stretch.exit == S::Quoted;
    auto run = [&](qsizetype from, qsizetype to, R role, S state) {
        if (from < to)
            report(from, to, role, state);
    };
    // The tag's ">" from `from`, or the end of the stretch.
    auto bracketOrEnd = [&](qsizetype from, S state) {
        const qsizetype close = nextClose.from(from);
        if (close == notFound) {
            run(from, length, R::Code, state);
            return length;
        }
        run(from, close, R::Code, state);
        run(close, close + 1, R::Bracket, state);
        return close + 1;
    };

    S state = stretch.entry == S::End ? S::Text : stretch.entry;
    qsizetype i = 0;
    while (i < length) {
        switch (state) {
        case S::Text: {
            const qsizetype open = std::min(nextOpen.from(i), length);
            const qsizetype lone = stretch.loneBracket;
            if (lone >= i && lone < open) {
                run(i, lone, R::Text, S::Text);
                run(lone, lone + 1, R::Bracket, S::Text);
                i = lone + 1;
                break;
            }
            run(i, open, R::Text, S::Text);
            if (open < length) {
                run(open, open + 1, R::Bracket, S::Text);
                const bool closes = nextClose.from(open + 1) != notFound || tagClosesLater;
                state = closes ? S::Tag : S::OpenTag;
            }
            i = open + 1;
            break;
        }
        case S::Tag: {
            const qsizetype close = nextClose.from(i);
            const qsizetype quote = nextQuote.from(i);
            if (quote >= close) { // no quote before the tag ends
                i = bracketOrEnd(i, S::Tag);
                state = S::Text;
                break;
            }
            run(i, quote, R::Code, S::Tag);
            const qsizetype pair = nextQuote.from(quote + 1);
            const bool paired =
                pair < close || (pair == notFound && close == notFound && quoteClosesLater);
            if (!paired) { // ends the search for values in this tag
                i = bracketOrEnd(quote, S::TagAfterUnpairedQuote);
                state = S::Text;
                break;
            }
            const qsizetype valueEnd = pair == notFound ? length : pair + 1;
            run(quote, valueEnd, R::Attribute, S::Quoted);
            i = valueEnd;
            break;
        }
        case S::Quoted: {
            const qsizetype pair = nextQuote.from(i);
            const qsizetype valueEnd = pair == notFound ? length : pair + 1;
            run(i, valueEnd, R::Attribute, S::Quoted);
            i = valueEnd;
            state = S::Tag;
            break;
        }
        case S::TagAfterUnpairedQuote:
            i = bracketOrEnd(i, S::TagAfterUnpairedQuote);
            state = S::Text;
            break;
        case S::OpenTag:
        case S::End:
            run(i, length, R::Code, S::OpenTag);
            i = length;
            break;
        }
    }
}

} // namespace

QList<ConsoleSpan> colorizeConsoleStretch(QStringView text, const ConsoleStretch& stretch)
{
    QList<ConsoleSpan> spans;
    walk(text, stretch, [&](qsizetype from, qsizetype to, ConsoleRole role, ConsoleState) {
        if (!spans.isEmpty() && spans.last().role == role)
            spans.last().length += to - from;
        else
            spans.append({from, to - from, role});
    });
    return spans;
}

QList<ConsoleSpan> colorizeConsoleText(QStringView text)
{
    return colorizeConsoleStretch(
        text, {ConsoleState::Text, ConsoleState::End, consoleLoneBracket(text)});
}

qsizetype consoleLoneBracket(QStringView piece)
{
    return piece.contains(u'<') ? -1 : piece.indexOf(u'>');
}

QList<ConsoleState> consoleLineStates(QStringView piece)
{
    QList<ConsoleState> states;
    NextChar nextLineFeed(piece, u'\n');
    walk(piece, {ConsoleState::Text, ConsoleState::End, consoleLoneBracket(piece)},
         [&](qsizetype from, qsizetype to, ConsoleRole, ConsoleState state) {
             for (qsizetype at = nextLineFeed.from(from); at < to; at = nextLineFeed.from(at + 1))
                 states.append(state);
         });
    return states;
}
