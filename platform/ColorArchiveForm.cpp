#include "ColorArchiveForm.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

QByteArray componentText(double value)
{
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

// "0.11 1 0.42 0.2" followed by a NUL byte, as the original archiver wrote it.
std::optional<QList<double>> components(const QVariant& value, int minimum, int maximum)
{
    if (value.metaType().id() != QMetaType::QByteArray)
        return std::nullopt;
    QByteArray text = value.toByteArray();
    if (const qsizetype nul = text.indexOf('\0'); nul >= 0)
        text.truncate(nul);
    const QList<QByteArray> parts = text.simplified().split(' ');
    if (parts.size() < minimum || parts.size() > maximum)
        return std::nullopt;
    QList<double> numbers;
    for (const QByteArray& part : parts) {
        bool ok = false;
        const double number = part.toDouble(&ok);
        if (!ok || !std::isfinite(number))
            return std::nullopt;
        numbers.append(std::clamp(number, 0.0, 1.0));
    }
    return numbers;
}

} // namespace

QVariantMap ColorArchiveForm::encode(const rv::Color& color)
{
    QByteArray text = componentText(color.red()) + ' ' + componentText(color.green()) + ' ' +
                      componentText(color.blue()) + ' ' + componentText(color.alpha());
    text.append('\0');
    return {
        {QStringLiteral("NSColorSpace"), qint64(CalibratedRGB)},
        {QStringLiteral("NSRGB"), text},
    };
}

int ColorArchiveForm::colorSpace(const QVariantMap& form)
{
    const QVariant space = form.value(QStringLiteral("NSColorSpace"));
    if (space.metaType().id() != QMetaType::LongLong)
        return 0;
    return int(std::clamp<qint64>(space.toLongLong(), -1, 1000));
}

std::optional<rv::Color> ColorArchiveForm::decode(const QVariantMap& form, QString* problem)
{
    const auto fail = [problem](const QString& text) -> std::optional<rv::Color> {
        if (problem)
            *problem = text;
        return std::nullopt;
    };
    const int space = colorSpace(form);
    switch (space) {
    case CalibratedRGB:
    case DeviceRGB: {
        const auto rgb = components(form.value(QStringLiteral("NSRGB")), 3, 4);
        if (!rgb)
            return fail(QStringLiteral("an RGB colour has malformed components"));
        return rv::Color((*rgb)[0], (*rgb)[1], (*rgb)[2], rgb->size() > 3 ? (*rgb)[3] : 1.0);
    }
    case CalibratedWhite:
    case DeviceWhite: {
        const auto white = components(form.value(QStringLiteral("NSWhite")), 1, 2);
        if (!white)
            return fail(QStringLiteral("a grey colour has malformed components"));
        const double level = (*white)[0];
        return rv::Color(level, level, level, white->size() > 1 ? (*white)[1] : 1.0);
    }
    default:
        return fail(QStringLiteral("colour space %1 is not supported").arg(space));
    }
}
