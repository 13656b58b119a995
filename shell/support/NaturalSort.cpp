#include "NaturalSort.h"

namespace {

// The next run of digits or of other characters, starting at `from`.
QStringView nextChunk(const QString& text, qsizetype from)
{
    const bool digits = text.at(from).isDigit();
    qsizetype end = from + 1;
    while (end < text.size() && text.at(end).isDigit() == digits)
        ++end;
    return QStringView(text).mid(from, end - from);
}

int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.mid(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

int compareNatural(const QString& first, const QString& second, bool ascending)
{
    // Chunk by chunk: numbers by value, words by the user's locale without letter case.
    int result = 0;
    qsizetype i = 0;
    qsizetype j = 0;
    while (result == 0 && i < first.size() && j < second.size()) {
        const QStringView a = nextChunk(first, i);
        const QStringView b = nextChunk(second, j);
        if (a.front().isDigit() && b.front().isDigit())
            result = compareNumbers(a, b);
        else
            result = QString::localeAwareCompare(a.toString().toCaseFolded(),
                                                 b.toString().toCaseFolded());
        i += a.size();
        j += b.size();
    }
    if (result == 0)
        result = (i < first.size()) - (j < second.size());
    const int sign = (result > 0) - (result < 0);
    return ascending ? sign : -sign;
}
