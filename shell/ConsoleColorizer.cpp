#include "ConsoleColorizer.h"

#include <vector>

QList<ConsoleSpan> colorizeConsoleText(QStringView text)
{
    const qsizetype length = text.size();
    std::vector<ConsoleRole> roles(static_cast<size_t>(length), ConsoleRole::Text);
    auto paint = [&](qsizetype from, qsizetype to, ConsoleRole role) {
        for (qsizetype i = from; i < to && i < length; ++i)
            roles[static_cast<size_t>(i)] = role;
    };

    qsizetype position = 0;
    bool tagSeen = false;
    while (position < length) {
        const qsizetype open = text.indexOf(QLatin1Char('<'), position);
        if (open < 0) {
            if (!tagSeen) {
                const qsizetype close = text.indexOf(QLatin1Char('>'));
                if (close >= 0)
                    paint(close, close + 1, ConsoleRole::Bracket);
            }
            break;
        }
        const qsizetype close = text.indexOf(QLatin1Char('>'), open);
        if (close < 0) {
            paint(open, open + 1, ConsoleRole::Bracket);
            paint(open + 1, length, ConsoleRole::Code);
            break;
        }
        paint(open, open + 1, ConsoleRole::Bracket);
        paint(open + 1, close, ConsoleRole::Code);
        paint(close, close + 1, ConsoleRole::Bracket);
        for (qsizetype from = open + 1; from < close;) {
            const qsizetype first = text.indexOf(QLatin1Char('"'), from);
            if (first < 0 || first >= close)
                break;
            const qsizetype second = text.indexOf(QLatin1Char('"'), first + 1);
            if (second < 0 || second >= close)
                break;
            paint(first, second + 1, ConsoleRole::Attribute);
            from = second + 1;
        }
        tagSeen = true;
        position = close + 1;
    }

    QList<ConsoleSpan> spans;
    for (qsizetype i = 0; i < length; ++i) {
        const ConsoleRole role = roles[static_cast<size_t>(i)];
        if (!spans.isEmpty() && spans.last().role == role)
            ++spans.last().length;
        else
            spans.append({i, 1, role});
    }
    return spans;
}
