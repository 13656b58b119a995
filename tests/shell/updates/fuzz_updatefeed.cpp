// The update feed comes from a server: scanning it must never crash, what it
// offers must come from its first item, and the offer must reach the updater
// as the feed wrote it. The hand-over travels as command-line arguments, so a
// value such as "--private-copy" in the feed must stay a value there.
#include "StringExtensions.h"
#include "UpdateFeed.h"
#include "UpdateHandOver.h"
#include "VersionRules.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The hand-over the application builds from an offer, as "Download and
// Install" does.
UpdateHandOver handOverFor(const UpdateOffer& offer)
{
    UpdateHandOver handOver;
    handOver.archiveUrl = UpdateHandOver::archiveAddress(rv::decodeXML(offer.updateUrl));
    handOver.version = offer.version;
    handOver.sha256 = offer.sha256;
    handOver.signature = offer.signature;
    handOver.length = qMax<qint64>(0, offer.fileSize.trimmed().toLongLong());
    handOver.installFolder = QStringLiteral("/opt/plumet");
    return handOver;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray feed(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<UpdateOffer> offer = UpdateFeed::scan(feed);
    if (!offer)
        return 0;

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(feed);
    check(!decoder.hasError());
    const qsizetype itemStart = text.indexOf(QLatin1String("<item>"));
    const qsizetype itemEnd = text.indexOf(QLatin1String("</item>"), itemStart);
    check(itemStart >= 0 && itemEnd > itemStart);
    const QStringView item = QStringView(text).sliced(itemStart, itemEnd - itemStart);
    check(item.contains(offer->version) && item.contains(offer->changesList) &&
          item.contains(offer->updateUrl) && item.contains(offer->fileSize));
    check(offer->version == offer->version.trimmed());

    // Whichever version is offered, it is newer than the current one or not,
    // never both ways round.
    for (const QString& current : {QStringLiteral("3.0.0"), QStringLiteral("3.1b2")}) {
        check(!(VersionRules::isNewer(current, offer->version) &&
                VersionRules::isNewer(offer->version, current)));
        check(!VersionRules::isNewer(offer->version, offer->version));
    }

    const UpdateHandOver handOver = handOverFor(*offer);
    if (!handOver.archiveUrl.isValid() || handOver.version.isEmpty() || handOver.sha256.isEmpty() ||
        handOver.signature.isEmpty())
        return 0; // the application starts no updater for such an offer
    QString error;
    const std::optional<UpdateHandOver> received = UpdateHandOver::fromArguments(
        QStringList{QStringLiteral("plumetUpdater")} + handOver.toArguments(), &error);
    check(received.has_value());
    check(handOver.archiveUrl.scheme() == QLatin1String("https") &&
          !handOver.archiveUrl.host().isEmpty() && !handOver.archiveUrl.hasFragment());
    check(received->archiveUrl == handOver.archiveUrl);
    check(received->version == handOver.version);
    check(received->sha256 == handOver.sha256);
    check(received->signature == handOver.signature);
    check(received->length == handOver.length);
    check(received->installFolder == handOver.installFolder);
    check(!received->privateCopy);
    return 0;
}
