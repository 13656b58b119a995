#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

// How the new-account wizard finds a blog's access point: the page's EditURI
// link names the discovery (RSD) document, whose preferred API gives the
// address to send requests to and the blog-system plug-in to build them.
namespace AccessPointDiscovery {

// `reference` made absolute against `base` the way a browser does (a path
// relative to the base's folder, "../", "//host", "?query"), keeping the
// base's scheme, host and port where the reference has none. An absolute
// reference stays as it is. Empty for an empty reference.
QUrl resolve(const QString& reference, const QUrl& base);

// The first link (attribute maps as GenericParser reads them) whose "rel"
// holds "EditURI" in any letter case and that has an "href", resolved against
// the address the page finally came from; empty when there is none.
QUrl editURI(const QList<QVariantMap>& links, const QUrl& pageAddress);

// A "preferred" value counts when it is missing or holds "true" or "yes" in
// any letter case.
bool isPreferred(const QVariant& preferred);
// The plug-in for an API name: "Atom 1.0" (the Atom driver's key) when it holds "atom", else
// "MovableType" when it holds "movable", else (or without a name) "MetaWeblog".
QString pluginKeyForApiName(const QVariant& name);

struct ApiChoice {
    QUrl address;
    QString pluginKey;
    friend bool operator==(const ApiChoice&, const ApiChoice&) = default;
};
// The first API of the RSD document's "apis", in document order, that is
// preferred and has an "apilink": its address (resolved against the RSD
// document's address) and its plug-in. Nothing when none qualifies.
std::optional<ApiChoice> preferredApi(const QVariantList& apis, const QUrl& documentAddress);

// Where a discovered access point would send the password, compared with
// the address the user typed: to another host, or over plain http when the
// user typed https.
struct AccessPointMove {
    bool otherHost = false;
    bool insecure = false;
    bool any() const { return otherHost || insecure; }
    friend bool operator==(const AccessPointMove&, const AccessPointMove&) = default;
};
AccessPointMove moveOf(const QUrl& typed, const QUrl& accessPoint);

} // namespace AccessPointDiscovery
