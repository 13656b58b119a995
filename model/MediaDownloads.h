#pragma once

#include "InstalledService.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

class QObject;

// Fetching a picture from the web for a new attachment, as the records reach
// it: the network layer installs itself here, and until it does nothing is
// fetched (the caller hears so at once).
class MediaDownloads : public InstalledService<MediaDownloads> {
public:
    virtual ~MediaDownloads();

    // What a picture from the web may cost.
    static constexpr int TimeOutSeconds = 30;
    static constexpr qint64 MaxBytes = 50 * 1024 * 1024;

    // `bytes` as received, or an empty array and the reason.
    using Fetched = std::function<void(const QByteArray& bytes, const QString& error)>;

    // Starts fetching `url` and returns at once. The fetch gives up after
    // `timeOutSeconds` and as soon as more than `maxBytes` arrive (the answer's
    // stated length counts too); `done` runs once on the main thread, never
    // once `context` is gone.
    virtual void fetch(const QUrl& url, int timeOutSeconds, qint64 maxBytes, QObject* context,
                       Fetched done) = 0;
};
