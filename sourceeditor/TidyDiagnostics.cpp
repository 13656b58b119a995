#include "TidyDiagnostics.h"

#include <QStringList>
#include <algorithm>

namespace TidyDiagnostics {

std::optional<ErrorSpot> firstError(const QString& report, const QString& text)
{
    const QStringList textLines = text.split(QLatin1Char('\n'));
    for (const QString& message : report.split(QLatin1Char('\n'))) {
        const QStringList parts = message.split(QLatin1Char(' '));
        if (parts.size() < 4)
            continue;
        const int line = parts.at(1).toInt();
        const int column = parts.at(3).toInt();
        if (line < 1 || line > textLines.size())
            continue;
        qsizetype start = 0;
        for (int i = 0; i < line - 1; ++i)
            start += textLines.at(i).size() + 1;
        const qsizetype length = textLines.at(line - 1).size();
        if (start + length > text.size())
            continue;
        ErrorSpot spot;
        spot.message = message;
        spot.line = line;
        spot.lineStart = start;
        spot.lineLength = length;
        if (length > 0)
            spot.character = start + std::clamp<qsizetype>(column, 1, length) - 1;
        return spot;
    }
    return std::nullopt;
}

QColor errorLineTint(const QColor& background)
{
    const QColor hsv = background.toHsv();
    const float saturation = hsv.hsvSaturationF();
    const float brightness = hsv.valueF();
    float newSaturation = 0.0f;
    float newBrightness = 0.0f;
    if (brightness >= 0.5f) {
        newSaturation = saturation > 0.04f ? std::min(saturation + 0.2f, 1.0f) : 0.0f;
        newBrightness = std::max(brightness - 0.15f, 0.0f);
    } else {
        newSaturation = std::max(saturation - 0.2f, 0.0f);
        newBrightness = std::min(brightness + 0.25f, 1.0f);
    }
    return QColor::fromHsvF(hsv.hsvHueF(), newSaturation, newBrightness, hsv.alphaF());
}

QColor errorCharacterColor()
{
    return QColor::fromRgbF(1.0f, 0.45f, 0.46f, 1.0f);
}

} // namespace TidyDiagnostics
