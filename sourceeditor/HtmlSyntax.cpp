#include "HtmlSyntax.h"

#include <vector>

namespace HtmlSyntax {

namespace {

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// Collects spans, joining a span to the one before when the kind is the same.
class SpanList {
public:
    void add(qsizetype start, qsizetype length, Kind kind)
    {
        if (length <= 0)
            return;
        if (!m_spans.isEmpty()) {
            Span& last = m_spans.last();
            if (last.kind == kind && last.start + last.length == start) {
                last.length += length;
                return;
            }
        }
        m_spans.append({start, length, kind});
    }
    QList<Span> take() { return std::move(m_spans); }

private:
    QList<Span> m_spans;
};

QList<Span> spansOfKinds(const std::vector<Kind>& kinds)
{
    SpanList list;
    for (qsizetype i = 0; i < qsizetype(kinds.size()); ++i)
        list.add(i, 1, kinds[size_t(i)]);
    return list.take();
}

// The first quote or ">" at or after `from`, or -1.
qsizetype nextQuoteOrClose(QStringView text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('>') || isQuote(c))
            return i;
    }
    return -1;
}

} // namespace

QList<Span> spans(QStringView text)
{
    const qsizetype length = text.size();
    std::vector<Kind> kinds(size_t(length), Kind::Plain);
    auto paint = [&kinds](qsizetype from, qsizetype to, Kind kind) {
        for (qsizetype i = from; i < to; ++i)
            kinds[size_t(i)] = kind;
    };
    qsizetype position = 0;
    while (position < length) {
        const qsizetype open = text.indexOf(QLatin1Char('<'), position);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('>'), open + 1);
        if (close < 0) {
            kinds[size_t(open)] = Kind::Bracket;
            paint(open + 1, length, Kind::Tag);
            break;
        }
        paint(open + 1, close, Kind::Tag);
        kinds[size_t(open)] = Kind::Bracket;
        kinds[size_t(close)] = Kind::Bracket;
        for (qsizetype i = open + 1; i < close; ++i) {
            if (!isQuote(text[i]))
                continue;
            qsizetype partner = -1;
            for (qsizetype j = i + 1; j < close; ++j) {
                if (isQuote(text[j])) {
                    partner = j;
                    break;
                }
            }
            if (partner < 0)
                break;
            paint(i, partner + 1, Kind::Value);
            i = partner;
        }
        position = close + 1;
    }
    return spansOfKinds(kinds);
}

bool CloseIndex::closesFrom(const Lines& lines, int number)
{
    if (!m_known) {
        m_lastLine = -1;
        for (int n = lines.count() - 1; n >= 0; --n) {
            if (lines.line(n).contains(QLatin1Char('>'))) {
                m_lastLine = n;
                break;
            }
        }
        m_known = true;
    }
    return number <= m_lastLine;
}

namespace {

// Whether the quote at `quote` of line `number` opens a value: the next quote
// or ">" after it must be a quote, and the tag must close after that quote.
// When it does, *partnerHere is the partner's offset on this line, or -1 when
// the partner stands on a later line.
bool opensValue(QStringView text, qsizetype quote, const Lines& lines, int number,
                CloseIndex& closes, qsizetype* partnerHere)
{
    *partnerHere = -1;
    const qsizetype next = nextQuoteOrClose(text, quote + 1);
    if (next >= 0) {
        if (text[next] == QLatin1Char('>'))
            return false;
        *partnerHere = next;
        return text.indexOf(QLatin1Char('>'), next + 1) >= 0 ||
               closes.closesFrom(lines, number + 1);
    }
    // No ">" on a later line: the tag never closes, and shows no values.
    if (!closes.closesFrom(lines, number + 1))
        return false;
    const int count = lines.count();
    for (int n = number + 1; n < count; ++n) {
        const QString later = lines.line(n);
        const qsizetype found = nextQuoteOrClose(later, 0);
        if (found < 0)
            continue;
        if (later[found] == QLatin1Char('>'))
            return false;
        return later.indexOf(QLatin1Char('>'), found + 1) >= 0 || closes.closesFrom(lines, n + 1);
    }
    return false;
}

} // namespace

LineColours colourLine(QStringView text, State start, const Lines& lines, int number,
                       CloseIndex& closes)
{
    SpanList list;
    State state = start;
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = text[i];
        switch (state) {
        case State::Text:
            if (c == QLatin1Char('<')) {
                list.add(i, 1, Kind::Bracket);
                state = State::Tag;
            } else {
                list.add(i, 1, Kind::Plain);
            }
            break;
        case State::Tag:
            if (c == QLatin1Char('>')) {
                list.add(i, 1, Kind::Bracket);
                state = State::Text;
            } else if (isQuote(c)) {
                qsizetype partner = -1;
                if (!opensValue(text, i, lines, number, closes, &partner)) {
                    list.add(i, 1, Kind::Tag);
                    state = State::TagAfterLoneQuote;
                } else if (partner >= 0) {
                    list.add(i, partner + 1 - i, Kind::Value);
                    i = partner;
                } else {
                    list.add(i, length - i, Kind::Value);
                    i = length;
                    state = State::Value;
                }
            } else {
                list.add(i, 1, Kind::Tag);
            }
            break;
        case State::Value:
            list.add(i, 1, Kind::Value);
            if (isQuote(c))
                state = State::Tag;
            break;
        case State::TagAfterLoneQuote:
            if (c == QLatin1Char('>')) {
                list.add(i, 1, Kind::Bracket);
                state = State::Text;
            } else {
                list.add(i, 1, Kind::Tag);
            }
            break;
        }
    }
    return {list.take(), state};
}

} // namespace HtmlSyntax
