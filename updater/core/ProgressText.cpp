#include "ProgressText.h"

#include <QCoreApplication>

namespace ProgressText {

namespace {

constexpr double kilo = 1024.0;
constexpr double mega = 1024.0 * 1024.0;
constexpr QChar emDash(0x2014);

QString tr(const char* text)
{
    return QCoreApplication::translate("PUController", text);
}

// `kilobytes` in gigabytes, megabytes or kilobytes, whichever suits it.
QString sizeText(double kilobytes)
{
    if (kilobytes > mega)
        return QString::asprintf("%.2fGb", kilobytes / mega);
    if (kilobytes > kilo)
        return QString::asprintf("%.1fMb", kilobytes / kilo);
    return QString::asprintf("%.1fKb", kilobytes);
}

// "%d seconds left" and its kin; 0 and 1 both read as one.
QString timeLeft(int count, const char* one, const char* many)
{
    if (count <= 1)
        return QStringLiteral(" %1 ").arg(emDash) + tr(one);
    return QStringLiteral(" %1 ").arg(emDash) + tr(many).arg(count);
}

} // namespace

QString subStatus(qint64 bytesReceived, qint64 fileLength, double rate, double estimate)
{
    QString text = sizeText(bytesReceived / kilo) + tr(" of ");
    const double total = fileLength / kilo;
    text += total >= 1 ? sizeText(total) : QStringLiteral("?Mb");

    const double kilobytesPerSecond = rate / kilo;
    if (kilobytesPerSecond > 0) {
        text += kilobytesPerSecond > 1 ? QString::asprintf(" (%.0fKb/s)", kilobytesPerSecond)
                                       : QString::asprintf(" (%.2fKb/s)", kilobytesPerSecond);
    }

    if (estimate > 0) {
        if (estimate < 60)
            text += timeLeft(int(estimate), "1 second left", "%1 seconds left");
        else if (estimate / 60 < 60)
            text += timeLeft(int(estimate / 60), "1 minute left", "%1 minutes left");
        else if (estimate / 3600 < 60)
            text += timeLeft(int(estimate / 3600), "1 hour left", "%1 hours left");
    }
    return text;
}

} // namespace ProgressText
