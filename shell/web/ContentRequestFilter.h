#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Stops, in every page of ours, the requests by which content would run or
// call home: scripts and workers, script-made requests (XHR, fetch, web
// sockets), pings, reports, prefetches and plug-in content. Documents, frames,
// style sheets, fonts, images and media load as they are.
class ContentRequestFilter : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    static bool blocks(QWebEngineUrlRequestInfo::ResourceType type);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};
