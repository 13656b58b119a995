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

bool hasUpdateKey()
{
    // An Ed25519 public key is 32 bytes.
    return QByteArray::fromBase64(QByteArrayLiteral(PLUMET_UPDATE_PUBLIC_KEY)).size() == 32;
}

} // namespace UpdateSettings
