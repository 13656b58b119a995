#include "VersionRules.h"

#include <QList>
#include <compare>

namespace VersionRules {

namespace {

enum class Stage { Alpha, Beta, Candidate, Release };

struct Version {
    QList<qint64> numbers;
    Stage stage = Stage::Release;
    qint64 stageNumber = 0;
};

// The leading decimal digits of `text` from `at` on, moving `at` past them.
qint64 leadingNumber(const QString& text, qsizetype& at)
{
    qint64 value = 0;
    while (at < text.size() && text.at(at).isDigit()) {
        value = qMin<qint64>(value * 10 + text.at(at).digitValue(), Q_INT64_C(999999999999));
        ++at;
    }
    return value;
}

Version parse(const QString& text)
{
    Version version;
    bool marked = false;
    for (const QString& component : text.trimmed().split(QLatin1Char('.'))) {
        qsizetype at = 0;
        version.numbers.append(leadingNumber(component, at));
        if (marked)
            continue;
        // A mark follows the number, perhaps after a separator: "0b2", "0-beta2", "0 a1",
        // "0rc1". Any mark makes a pre-release: one that is neither alpha nor beta
        // ("rc", "pre") is a candidate, the last before the release.
        while (at < component.size() && !component.at(at).isLetterOrNumber())
            ++at;
        if (at >= component.size() || !component.at(at).isLetter())
            continue;
        const QChar mark = component.at(at).toLower();
        marked = true;
        version.stage = mark == QLatin1Char('a')   ? Stage::Alpha
                        : mark == QLatin1Char('b') ? Stage::Beta
                                                   : Stage::Candidate;
        while (at < component.size() && !component.at(at).isDigit())
            ++at;
        version.stageNumber = leadingNumber(component, at);
    }
    return version;
}

std::strong_ordering compare(const Version& a, const Version& b)
{
    const qsizetype count = qMax(a.numbers.size(), b.numbers.size());
    for (qsizetype i = 0; i < count; ++i) {
        const auto order = a.numbers.value(i, 0) <=> b.numbers.value(i, 0);
        if (order != 0)
            return order;
    }
    if (const auto order = a.stage <=> b.stage; order != 0)
        return order;
    if (a.stage == Stage::Release)
        return std::strong_ordering::equal;
    return a.stageNumber <=> b.stageNumber;
}

} // namespace

bool isVersion(const QString& text)
{
    const QString trimmed = text.trimmed();
    return !trimmed.isEmpty() && trimmed.at(0).isDigit();
}

bool isNewer(const QString& current, const QString& offered)
{
    return compare(parse(offered), parse(current)) > 0;
}

} // namespace VersionRules
