#include "WordDiff.h"

#include "AsciiChars.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace rv {

namespace {

struct Piece {
    qsizetype begin = 0;
    qsizetype end = 0;
};

char32_t codePointAt(QStringView text, qsizetype at, qsizetype* length)
{
    const QChar c = text[at];
    if (c.unicode() < 0xD800) {
        *length = 1;
        return c.unicode();
    }
    if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text[at + 1]);
    }
    *length = 1;
    return c.unicode();
}

bool isWordCodePoint(char32_t c)
{
    if (c < 128)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    if (QChar::isLetterOrNumber(c))
        return true;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Punctuation_Connector:
        return true;
    default:
        return false;
    }
}

bool startsTag(QChar c)
{
    return isAsciiLetter(c) || c == u'/' || c == u'!' || c == u'?';
}

// The end of the character reference that starts at `at` (an "&"), or at + 1
// when none does: "&name;", "&#digits;" or "&#xhex;", with the ";".
qsizetype referenceEnd(QStringView text, qsizetype at)
{
    constexpr qsizetype longestName = 32;
    constexpr qsizetype longestNumber = 8;
    const qsizetype n = text.size();
    qsizetype i = at + 1;
    if (i < n && text[i] == u'#') {
        ++i;
        const bool hex = i < n && (text[i] == u'x' || text[i] == u'X');
        if (hex)
            ++i;
        const qsizetype digits = i;
        while (i < n && i - digits < longestNumber &&
               (hex ? isHexDigit(text[i]) : isAsciiDigit(text[i])))
            ++i;
        if (i == digits)
            return at + 1;
    } else {
        if (i >= n || !isAsciiLetter(text[i]))
            return at + 1;
        const qsizetype name = i;
        while (i < n && i - name < longestName && (isAsciiLetter(text[i]) || isAsciiDigit(text[i])))
            ++i;
    }
    return i < n && text[i] == u';' ? i + 1 : at + 1;
}

std::vector<Piece> cutIntoPieces(QStringView text)
{
    std::vector<Piece> pieces;
    const qsizetype n = text.size();
    pieces.reserve(size_t(n / 3 + 1));
    // No ">" lies at or after this index: known once a search for one failed,
    // which keeps a text full of "<a" from being searched again and again.
    qsizetype noCloseFrom = n + 1;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        qsizetype end = i + 1;
        if (c.isSpace()) {
            while (end < n && text[end].isSpace())
                ++end;
        } else if (c == u'<') {
            if (end < n && startsTag(text[end]) && end < noCloseFrom) {
                const qsizetype close = text.indexOf(u'>', end);
                if (close < 0)
                    noCloseFrom = end;
                else
                    end = close + 1;
            }
        } else if (c == u'&') {
            end = referenceEnd(text, i);
        } else {
            qsizetype length = 0;
            if (isWordCodePoint(codePointAt(text, i, &length))) {
                end = i + length;
                while (end < n && isWordCodePoint(codePointAt(text, end, &length)))
                    end += length;
            } else {
                end = i + length;
            }
        }
        pieces.push_back({i, end});
        i = end;
    }
    return pieces;
}

// One number per distinct piece, in an open-addressing table of its own:
// well ahead of a general hash table on a megabyte of short pieces.
class PieceNumbers {
public:
    PieceNumbers() : m_slots(1024, -1), m_mask(1023) {}

    std::vector<int> numbered(QStringView text, const std::vector<Piece>& pieces)
    {
        std::vector<int> ids;
        ids.reserve(pieces.size());
        for (const Piece& piece : pieces)
            ids.push_back(number(text.mid(piece.begin, piece.end - piece.begin)));
        return ids;
    }

    size_t count() const { return m_texts.size(); }

private:
    static quint64 hashOf(QStringView text)
    {
        quint64 hash = 14695981039346656037ull; // FNV-1a over the UTF-16 units
        for (const QChar c : text)
            hash = (hash ^ c.unicode()) * 1099511628211ull;
        return hash ^ (hash >> 29);
    }

    int number(QStringView text)
    {
        const quint64 hash = hashOf(text);
        for (size_t slot = size_t(hash) & m_mask;; slot = (slot + 1) & m_mask) {
            const int id = m_slots[slot];
            if (id < 0) {
                const int added = int(m_texts.size());
                m_slots[slot] = added;
                m_texts.push_back(text);
                m_hashes.push_back(hash);
                if (m_texts.size() * 2 > m_slots.size())
                    grow();
                return added;
            }
            if (m_hashes[size_t(id)] == hash && m_texts[size_t(id)] == text)
                return id;
        }
    }

    // Twice the slots, every number placed again by its kept hash.
    void grow()
    {
        m_slots.assign(m_slots.size() * 2, -1);
        m_mask = m_slots.size() - 1;
        for (size_t id = 0; id < m_hashes.size(); ++id) {
            size_t slot = size_t(m_hashes[id]) & m_mask;
            while (m_slots[slot] >= 0)
                slot = (slot + 1) & m_mask;
            m_slots[slot] = int(id);
        }
    }

    std::vector<int> m_slots;
    std::vector<QStringView> m_texts;
    std::vector<quint64> m_hashes;
    size_t m_mask;
};

// Myers' O((N+M)D) difference in linear space, after the middle-snake search
// GNU diff uses: a bidirectional search for the middle of an edit path, then
// the two halves, each the same way. Sequences are of small integers (one per
// distinct piece); the result marks the elements that are not shared.
class Myers {
public:
    Myers(const std::vector<int>& x, const std::vector<int>& y, qint64 budget)
        : m_x(x), m_y(y), m_changedX(x.size(), 0), m_changedY(y.size(), 0), m_budget(budget)
    {
        const size_t diagonals = x.size() + y.size() + 3;
        m_forward.assign(diagonals, 0);
        m_backward.assign(diagonals, 0);
        m_offset = qint64(y.size()) + 1;
        // About the square root of the number of diagonals, at least 256: a
        // search costing more settles for the best split found so far.
        qint64 expensive = 1;
        for (size_t d = diagonals; d != 0; d >>= 2)
            expensive <<= 1;
        m_tooExpensive = std::max<qint64>(256, expensive);
    }

    void run()
    {
        struct Range {
            qint64 xoff, xlim, yoff, ylim;
            bool minimal;
        };
        std::vector<Range> stack{{0, qint64(m_x.size()), 0, qint64(m_y.size()), false}};
        while (!stack.empty()) {
            Range r = stack.back();
            stack.pop_back();
            while (r.xoff < r.xlim && r.yoff < r.ylim && m_x[r.xoff] == m_y[r.yoff]) {
                ++r.xoff;
                ++r.yoff;
            }
            while (r.xoff < r.xlim && r.yoff < r.ylim && m_x[r.xlim - 1] == m_y[r.ylim - 1]) {
                --r.xlim;
                --r.ylim;
            }
            if (r.xoff == r.xlim || r.yoff == r.ylim || m_work > m_budget) {
                // Nothing shared is left to find, or no time to look for it.
                std::fill(m_changedX.begin() + r.xoff, m_changedX.begin() + r.xlim, 1);
                std::fill(m_changedY.begin() + r.yoff, m_changedY.begin() + r.ylim, 1);
                continue;
            }
            const Split split = middle(r.xoff, r.xlim, r.yoff, r.ylim, r.minimal);
            stack.push_back({split.x, r.xlim, split.y, r.ylim, split.hiMinimal});
            stack.push_back({r.xoff, split.x, r.yoff, split.y, split.loMinimal});
        }
    }

    const std::vector<char>& changedX() const { return m_changedX; }
    const std::vector<char>& changedY() const { return m_changedY; }

private:
    struct Split {
        qint64 x = 0, y = 0;
        bool loMinimal = true, hiMinimal = true;
    };

    qint64& fd(qint64 d) { return m_forward[size_t(d + m_offset)]; }
    qint64& bd(qint64 d) { return m_backward[size_t(d + m_offset)]; }

    Split middle(qint64 xoff, qint64 xlim, qint64 yoff, qint64 ylim, bool findMinimal)
    {
        constexpr qint64 beforeAll = -1;
        constexpr qint64 afterAll = std::numeric_limits<qint64>::max();
        const qint64 dmin = xoff - ylim;
        const qint64 dmax = xlim - yoff;
        const qint64 fmid = xoff - yoff;
        const qint64 bmid = xlim - ylim;
        qint64 fmin = fmid, fmax = fmid;
        qint64 bmin = bmid, bmax = bmid;
        const bool odd = ((fmid - bmid) & 1) != 0;
        fd(fmid) = xoff;
        bd(bmid) = xlim;

        for (qint64 c = 1;; ++c) {
            if (fmin > dmin)
                fd(--fmin - 1) = beforeAll;
            else
                ++fmin;
            if (fmax < dmax)
                fd(++fmax + 1) = beforeAll;
            else
                --fmax;
            for (qint64 d = fmax; d >= fmin; d -= 2) {
                const qint64 tlo = fd(d - 1), thi = fd(d + 1);
                const qint64 x0 = tlo < thi ? thi : tlo + 1;
                qint64 x = x0, y = x0 - d;
                while (x < xlim && y < ylim && m_x[x] == m_y[y]) {
                    ++x;
                    ++y;
                }
                m_work += 1 + (x - x0);
                fd(d) = x;
                if (odd && bmin <= d && d <= bmax && bd(d) <= x)
                    return {x, y, true, true};
            }

            if (bmin > dmin)
                bd(--bmin - 1) = afterAll;
            else
                ++bmin;
            if (bmax < dmax)
                bd(++bmax + 1) = afterAll;
            else
                --bmax;
            for (qint64 d = bmax; d >= bmin; d -= 2) {
                const qint64 tlo = bd(d - 1), thi = bd(d + 1);
                const qint64 x0 = tlo < thi ? tlo : thi - 1;
                qint64 x = x0, y = x0 - d;
                while (xoff < x && yoff < y && m_x[x - 1] == m_y[y - 1]) {
                    --x;
                    --y;
                }
                m_work += 1 + (x0 - x);
                bd(d) = x;
                if (!odd && fmin <= d && d <= fmax && x <= fd(d))
                    return {x, y, true, true};
            }

            if (findMinimal && m_work <= m_budget)
                continue;
            if (c < m_tooExpensive && m_work <= m_budget)
                continue;

            // Gone well beyond what a good answer needs: take the diagonal
            // that got furthest, forwards or backwards.
            qint64 fxybest = -1, fxbest = 0;
            for (qint64 d = fmax; d >= fmin; d -= 2) {
                qint64 x = std::min(fd(d), xlim);
                qint64 y = x - d;
                if (ylim < y) {
                    x = ylim + d;
                    y = ylim;
                }
                if (fxybest < x + y) {
                    fxybest = x + y;
                    fxbest = x;
                }
            }
            qint64 bxybest = afterAll, bxbest = 0;
            for (qint64 d = bmax; d >= bmin; d -= 2) {
                qint64 x = std::max(xoff, bd(d));
                qint64 y = x - d;
                if (y < yoff) {
                    x = yoff + d;
                    y = yoff;
                }
                if (x + y < bxybest) {
                    bxybest = x + y;
                    bxbest = x;
                }
            }
            if ((xlim + ylim) - bxybest < fxybest - (xoff + yoff))
                return {fxbest, fxybest - fxbest, true, false};
            return {bxbest, bxybest - bxbest, false, true};
        }
    }

    const std::vector<int>& m_x;
    const std::vector<int>& m_y;
    std::vector<char> m_changedX;
    std::vector<char> m_changedY;
    std::vector<qint64> m_forward;
    std::vector<qint64> m_backward;
    qint64 m_offset = 0;
    qint64 m_tooExpensive = 256;
    qint64 m_budget;
    qint64 m_work = 0;
};

void appendEscaped(QString& out, QStringView text)
{
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c > u'>' || (c != u'&' && c != u'<' && c != u'>' && c != u'"' && c != u'\''))
            continue;
        out.append(text.mid(plain, i - plain));
        plain = i + 1;
        switch (c) {
        case u'&':
            out.append(QLatin1String("&amp;"));
            break;
        case u'<':
            out.append(QLatin1String("&lt;"));
            break;
        case u'>':
            out.append(QLatin1String("&gt;"));
            break;
        case u'"':
            out.append(QLatin1String("&quot;"));
            break;
        default:
            out.append(QLatin1String("&#39;"));
        }
    }
    out.append(text.mid(plain));
}

// A stretch of the two texts: shared, or changed (removed and added pieces).
struct Stretch {
    qsizetype aFirst, aLast; // pieces [aFirst, aLast) of the first text
    qsizetype bFirst, bLast;
    bool shared;
};

} // namespace

QList<QStringView> wordDiffPieces(QStringView text)
{
    QList<QStringView> result;
    for (const Piece& piece : cutIntoPieces(text))
        result.append(text.mid(piece.begin, piece.end - piece.begin));
    return result;
}

QString wordDiff(QStringView before, QStringView after, const WordDiffLimits& limits)
{
    const std::vector<Piece> a = cutIntoPieces(before);
    const std::vector<Piece> b = cutIntoPieces(after);
    const qsizetype na = qsizetype(a.size());
    const qsizetype nb = qsizetype(b.size());

    PieceNumbers numbers;
    const std::vector<int> idsA = numbers.numbered(before, a);
    const std::vector<int> idsB = numbers.numbered(after, b);

    // Pieces of one text the other lacks are changes whatever the search
    // would find; leaving them out spares it most of the work when texts
    // have little in common.
    std::vector<char> inA(numbers.count(), 0), inB(numbers.count(), 0);
    for (const int id : idsA)
        inA[size_t(id)] = 1;
    for (const int id : idsB)
        inB[size_t(id)] = 1;
    std::vector<char> changedA(size_t(na), 1), changedB(size_t(nb), 1);
    std::vector<int> x, y;
    std::vector<qsizetype> xAt, yAt;
    for (qsizetype i = 0; i < na; ++i) {
        if (inB[size_t(idsA[size_t(i)])]) {
            x.push_back(idsA[size_t(i)]);
            xAt.push_back(i);
        }
    }
    for (qsizetype j = 0; j < nb; ++j) {
        if (inA[size_t(idsB[size_t(j)])]) {
            y.push_back(idsB[size_t(j)]);
            yAt.push_back(j);
        }
    }
    {
        Myers myers(x, y, limits.workBudget);
        myers.run();
        for (size_t k = 0; k < x.size(); ++k)
            changedA[size_t(xAt[k])] = myers.changedX()[k];
        for (size_t k = 0; k < y.size(); ++k)
            changedB[size_t(yAt[k])] = myers.changedY()[k];
    }

    // The stretches in order: shared pieces pair up one to one.
    std::vector<Stretch> stretches;
    qsizetype i = 0, j = 0;
    while (i < na || j < nb) {
        if (i < na && j < nb && !changedA[size_t(i)] && !changedB[size_t(j)]) {
            const qsizetype i0 = i, j0 = j;
            while (i < na && j < nb && !changedA[size_t(i)] && !changedB[size_t(j)]) {
                ++i;
                ++j;
            }
            stretches.push_back({i0, i, j0, j, true});
            continue;
        }
        const qsizetype i0 = i, j0 = j;
        while (i < na && changedA[size_t(i)])
            ++i;
        while (j < nb && changedB[size_t(j)])
            ++j;
        stretches.push_back({i0, i, j0, j, false});
    }

    // White space alone between two changes becomes part of one change.
    auto onlySpace = [&](const Stretch& s) {
        for (qsizetype k = s.aFirst; k < s.aLast; ++k) {
            if (!before[a[size_t(k)].begin].isSpace())
                return false;
        }
        return true;
    };
    std::vector<Stretch> joined;
    joined.reserve(stretches.size());
    for (size_t k = 0; k < stretches.size(); ++k) {
        Stretch s = stretches[k];
        if (s.shared && k > 0 && k + 1 < stretches.size() && onlySpace(s))
            s.shared = false;
        if (!s.shared && !joined.empty() && !joined.back().shared) {
            joined.back().aLast = s.aLast;
            joined.back().bLast = s.bLast;
            continue;
        }
        joined.push_back(s);
    }

    auto textOf = [](QStringView text, const std::vector<Piece>& pieces, qsizetype first,
                     qsizetype last) {
        return text.mid(pieces[size_t(first)].begin,
                        pieces[size_t(last - 1)].end - pieces[size_t(first)].begin);
    };
    QString out;
    out.reserve(before.size() + after.size() / 4 + 64);
    for (const Stretch& s : joined) {
        if (s.shared) {
            if (s.aLast > s.aFirst)
                appendEscaped(out, textOf(before, a, s.aFirst, s.aLast));
            continue;
        }
        if (s.aLast > s.aFirst) {
            out += QLatin1String("<del>");
            appendEscaped(out, textOf(before, a, s.aFirst, s.aLast));
            out += QLatin1String("</del>");
        }
        if (s.bLast > s.bFirst) {
            out += QLatin1String("<ins>");
            appendEscaped(out, textOf(after, b, s.bFirst, s.bLast));
            out += QLatin1String("</ins>");
        }
    }
    return out;
}

} // namespace rv
