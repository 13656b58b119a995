#include "UpdateFeed.h"

#include <QStringDecoder>

namespace UpdateFeed {

std::optional<QString> scanString(const QString& text, qsizetype from, const QString& open,
                                  const QString& close)
{
    const qsizetype start = text.indexOf(open, from);
    if (start < 0)
        return std::nullopt;
    const qsizetype contentStart = start + open.size();
    const qsizetype end = text.indexOf(close, contentStart);
    if (end < 0)
        return std::nullopt;
    return text.mid(contentStart, end - contentStart);
}

std::optional<UpdateOffer> scan(const QByteArray& feed)
{
    if (feed.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(feed);
    if (decoder.hasError())
        return std::nullopt;
    const std::optional<QString> item =
        scanString(text, 0, QStringLiteral("<item>"), QStringLiteral("</item>"));
    if (!item)
        return std::nullopt;

    auto field = [&item](const char* open, const char* close) {
        return scanString(*item, 0, QLatin1String(open), QLatin1String(close));
    };
    const std::optional<QString> version = field("<title>", "</title>");
    const std::optional<QString> changes = field("<description><![CDATA[", "]]>");
    if (!version || !changes)
        return std::nullopt;
    UpdateOffer offer;
    offer.version = version->trimmed();
    offer.changesList = *changes;
    offer.updateUrl = field("url=\"", "\"").value_or(QString());
    offer.fileSize = field("length=\"", "\"").value_or(QString());
    offer.sha256 = field("sha256=\"", "\"").value_or(QString()).trimmed().toLatin1();
    offer.signature = field("signature=\"", "\"").value_or(QString()).trimmed().toLatin1();
    return offer;
}

} // namespace UpdateFeed
