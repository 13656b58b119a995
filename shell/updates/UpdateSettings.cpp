#include "UpdateSettings.h"

#include "UserDefaults.h"

namespace UpdateSettings {

QString builtInFeedAddress()
{
    return QStringLiteral(PLUMET_UPDATE_FEED);
}

QString feedAddress()
{
    const QString chosen = UserDefaults::sharedInstance().string(QLatin1String(feedKey)).trimmed();
    return chosen.isEmpty() ? builtInFeedAddress() : chosen;
}

} // namespace UpdateSettings
