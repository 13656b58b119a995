#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What the update feed announces in its first <item>.
struct UpdateOffer {
    QString version;      // <title>
    QString changesList;  // <description><![CDATA[...]]>
    QString updateUrl;    // url="..." of the archive
    QString fileSize;     // length="..." as the feed writes it
    QByteArray sha256;    // sha256="..." the archive's digest, hexadecimal
    QByteArray signature; // signature="..." Ed25519 over version and digest, Base64
};

namespace UpdateFeed {

// The text between the first `open` at or after `from` and the next `close`;
// none when either is missing.
std::optional<QString> scanString(const QString& text, qsizetype from, const QString& open,
                                  const QString& close);

// The first item of the feed; none when the bytes are not UTF-8 text, have no
// item, or the item lacks its version or its change list.
std::optional<UpdateOffer> scan(const QByteArray& feed);

} // namespace UpdateFeed
