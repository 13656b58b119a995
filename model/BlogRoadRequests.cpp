// When a blog's roads may start, and how a fetched page sets the blog's charset option.
#include "BlogRoadRequests.h"

#include "Account.h"
#include "Blog.h"
#include "PageCharset.h"
#include "Reachability.h"
#include "RefreshRoads.h"
#include "ServerRoads.h"

namespace {

// Whether the blog's account can be reached for a road.
bool reachable(const Blog& blog)
{
    const Account* account = blog.account();
    return account && cutils::isURLOnline(account->escapedURL());
}

} // namespace

bool BlogRoadRequests::retrieveEntries(Blog& blog)
{
    if (blog.entriesActivity() || blog.hasZeroEntries())
        return false;
    ServerRoads* roads = ServerRoads::sharedInstance();
    if (!roads || !reachable(blog))
        return false;
    return roads->retrieveEntries(blog);
}

bool BlogRoadRequests::retrievePages(Blog& blog)
{
    if (blog.pagesActivity())
        return false;
    ServerRoads* roads = ServerRoads::sharedInstance();
    if (!roads || !reachable(blog))
        return false;
    const PluginTraits traits = blog.account()->pluginTraits();
    if (!traits.supportsPages || traits.supportedProtocol != 0)
        return false;
    return roads->retrievePages(blog);
}

bool BlogRoadRequests::refreshCategories(Blog& blog)
{
    if (blog.categoriesActivity())
        return false;
    RefreshRoads* roads = RefreshRoads::sharedInstance();
    if (!roads || !reachable(blog))
        return false;
    return roads->refreshCategories(blog);
}

void BlogRoadRequests::detectEncoding(Blog& blog, std::function<void()> done)
{
    RefreshRoads* roads = RefreshRoads::sharedInstance();
    const QUrl address = blog.escapedURL();
    if (!roads || !address.isValid() || address.isEmpty()) {
        if (done)
            done();
        return;
    }
    roads->detectEncoding(blog, std::move(done));
}

void BlogRoadRequests::applyPageEncoding(Blog& blog, const QString& pageText,
                                         const QByteArray& contentType)
{
    if (pageText.isEmpty())
        return; // no answer: what was known stays
    blog.setOption(QStringLiteral("convertEntities"),
                   PageCharset::needsEntities(PageCharset::declaredCharset(contentType, pageText)));
}
