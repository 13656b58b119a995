#include "ContentRequestFilter.h"

#include "WebContentLog.h"

bool ContentRequestFilter::blocks(QWebEngineUrlRequestInfo::ResourceType type)
{
    using Info = QWebEngineUrlRequestInfo;
    switch (type) {
    case Info::ResourceTypeScript:
    case Info::ResourceTypeWorker:
    case Info::ResourceTypeSharedWorker:
    case Info::ResourceTypeServiceWorker:
    case Info::ResourceTypeXhr:
    case Info::ResourceTypeWebSocket:
    case Info::ResourceTypePing:
    case Info::ResourceTypeCspReport:
    case Info::ResourceTypePrefetch:
    case Info::ResourceTypeObject:
    case Info::ResourceTypePluginResource:
    case Info::ResourceTypeNavigationPreloadMainFrame:
    case Info::ResourceTypeNavigationPreloadSubFrame:
        return true;
    default:
        return false;
    }
}

void ContentRequestFilter::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!blocks(info.resourceType()))
        return;
    qCDebug(lcWebContent) << "blocked a request of type" << info.resourceType() << "for"
                          << info.requestUrl().toString(QUrl::RemoveUserInfo | QUrl::RemoveQuery);
    info.block(true);
}
