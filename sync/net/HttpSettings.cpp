#include "HttpSettings.h"

#include "UserDefaults.h"

#include <QSysInfo>

namespace HttpSettings {

QString homePage()
{
    return QStringLiteral("https://plumet.org/");
}

QByteArray userAgent()
{
    return QStringLiteral("plumet/3.0 (Linux; %1; %2)")
        .arg(QSysInfo::currentCpuArchitecture(), homePage())
        .toUtf8();
}

int clampResponseTimeout(qint64 seconds)
{
    constexpr int fallback = 90;
    if (seconds < 90 || seconds > 600)
        return fallback;
    return static_cast<int>(seconds);
}

int responseTimeoutSeconds()
{
    return clampResponseTimeout(UserDefaults::sharedInstance().integer(QStringLiteral("timeout")));
}

} // namespace HttpSettings
