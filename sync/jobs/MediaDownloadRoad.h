#pragma once

#include "MediaDownloads.h"

// Fetches pictures from the web for new attachments, over the shared network
// manager within the limits the records ask for: the whole exchange timed, the
// answer cut off past its size limit, only http and https.
class MediaDownloadRoad : public MediaDownloads {
public:
    MediaDownloadRoad();
    ~MediaDownloadRoad() override;

    void fetch(const QUrl& url, int timeOutSeconds, qint64 maxBytes, QObject* context,
               Fetched done) override;
};
