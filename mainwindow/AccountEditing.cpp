#include "AccountEditing.h"

#include "Localization.h"

#include <cmath>

namespace AccountEditing {

namespace {

bool sameText(const QString& a, const QString& b)
{
    // QString counts a null text and an empty one as equal.
    return a == b;
}

} // namespace

bool needsSave(const AccountDetails& account, const AccountDetails& edited)
{
    return !sameText(account.url, edited.url) || !sameText(account.pluginKey, edited.pluginKey) ||
           !sameText(account.username, edited.username) ||
           !sameText(account.password, edited.password);
}

QString uniqueTitle(const QString& wanted, const QStringList& taken)
{
    if (!taken.contains(wanted))
        return wanted;
    for (qsizetype number = 1;; ++number) {
        const QString candidate = QStringLiteral("%1 %2").arg(wanted).arg(number);
        if (!taken.contains(candidate))
            return candidate;
    }
}

QString newAccountTitle(const QStringList& blogNames, const QStringList& taken)
{
    for (const QString& name : blogNames) {
        const QString shown = name.simplified();
        if (!shown.isEmpty())
            return uniqueTitle(shown, taken);
    }
    return uniqueTitle(localized("Draft", "Untitled"), taken);
}

std::chrono::seconds autoSavePeriod(const QVariant& minutes)
{
    constexpr std::chrono::seconds fallback{5 * 60};
    bool isNumber = false;
    const double value = minutes.toDouble(&isNumber);
    if (!minutes.isValid() || !isNumber || !std::isfinite(value) || value < 1)
        return fallback;
    // A day at most, well within what a timer can count.
    const double seconds = std::min(value * 60, 24.0 * 60 * 60);
    return std::chrono::seconds(qint64(std::llround(seconds)));
}

} // namespace AccountEditing
