#include "DefaultPings.h"

#include "Archivable.h"
#include "Blog.h"
#include "Ping.h"

namespace DefaultPings {

PingList services()
{
    // Live "weblogUpdates.ping" services that forward to many search and feed
    // sites; the services of older lists (Technorati, Yahoo) closed long ago.
    return {
        Ping::pingWithTitle(QStringLiteral("rpc.pingomatic.com"),
                            QStringLiteral("http://rpc.pingomatic.com/")),
        Ping::pingWithTitle(QStringLiteral("rpc.twingly.com"),
                            QStringLiteral("http://rpc.twingly.com/")),
        Ping::pingWithTitle(QStringLiteral("ping.fc2.com"), QStringLiteral("http://ping.fc2.com/")),
        Ping::pingWithTitle(QStringLiteral("blog.with2.net"),
                            QStringLiteral("http://blog.with2.net/ping.php")),
    };
}

void addTo(Blog& blog)
{
    QVariantList pings;
    for (const PingPtr& ping : services())
        pings.append(QVariant::fromValue(ArchivableRef(ping)));
    pings += blog.pingUrls();
    blog.setPingUrls(pings);
}

} // namespace DefaultPings
