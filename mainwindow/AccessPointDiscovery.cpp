#include "AccessPointDiscovery.h"

namespace AccessPointDiscovery {

QUrl resolve(const QString& reference, const QUrl& base)
{
    const QString trimmed = reference.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QUrl relative(trimmed, QUrl::TolerantMode);
    if (!relative.isValid())
        return {};
    return base.resolved(relative);
}

QUrl editURI(const QList<QVariantMap>& links, const QUrl& pageAddress)
{
    for (const QVariantMap& link : links) {
        if (!link.value(QStringLiteral("rel"))
                 .toString()
                 .contains(QLatin1String("EditURI"), Qt::CaseInsensitive))
            continue;
        const QString href = link.value(QStringLiteral("href")).toString().trimmed();
        if (href.isEmpty())
            continue;
        return resolve(href, pageAddress);
    }
    return {};
}

bool isPreferred(const QVariant& preferred)
{
    if (!preferred.isValid() || preferred.isNull())
        return true;
    const QString text = preferred.toString();
    return text.contains(QLatin1String("true"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("yes"), Qt::CaseInsensitive);
}

QString pluginKeyForApiName(const QVariant& name)
{
    const QString text = name.toString();
    if (text.contains(QLatin1String("atom"), Qt::CaseInsensitive))
        return QStringLiteral("Atom 1.0");
    if (text.contains(QLatin1String("movable"), Qt::CaseInsensitive))
        return QStringLiteral("MovableType");
    return QStringLiteral("MetaWeblog");
}

std::optional<ApiChoice> preferredApi(const QVariantList& apis, const QUrl& documentAddress)
{
    for (const QVariant& entry : apis) {
        const QVariantMap api = entry.toMap();
        if (!isPreferred(api.value(QStringLiteral("preferred"))))
            continue;
        const QUrl address =
            resolve(api.value(QStringLiteral("apilink")).toString(), documentAddress);
        if (address.isEmpty())
            continue;
        return ApiChoice{address, pluginKeyForApiName(api.value(QStringLiteral("name")))};
    }
    return std::nullopt;
}

AccessPointMove moveOf(const QUrl& typed, const QUrl& accessPoint)
{
    AccessPointMove move;
    move.otherHost = typed.host().compare(accessPoint.host(), Qt::CaseInsensitive) != 0;
    move.insecure = typed.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 &&
                    accessPoint.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0;
    return move;
}

} // namespace AccessPointDiscovery
