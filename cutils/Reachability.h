#pragma once

#include <QNetworkInformation>
#include <QString>
#include <QUrl>
#include <optional>

// Whether a server can be reached before a request is sent to it.
namespace cutils {

// False for a URL without a host; otherwise asks the system's network state. Where the
// system cannot tell (no backend, or an unknown state) the host counts as reachable, so a
// machine without a network monitor still talks to its servers.
bool isURLOnline(const QUrl& url);

// isURLOnline on a URL typed as text: characters not allowed in a URL are escaped as UTF-8,
// while "#" and "%" are kept as they stand.
bool isOnline(const QString& urlText);

// The decision behind isURLOnline once the system's state is known; std::nullopt stands for
// a system with no network-state backend. Loopback hosts are always reachable.
bool isHostReachable(const QString& host,
                     std::optional<QNetworkInformation::Reachability> systemState);

} // namespace cutils
