#include "ApplyToAllBlogs.h"

#include "Account.h"
#include "Blog.h"
#include "UserDefaults.h"

#include <algorithm>

ApplyToAllBlogs::ApplyToAllBlogs(UserDefaults& defaults) : m_defaults(defaults) {}

void ApplyToAllBlogs::opened(int index)
{
    m_lastBlogIndex = std::max(index, 0);
}

void ApplyToAllBlogs::accountChanged(const QList<BlogPtr>& blogs, int index)
{
    m_lastBlogIndex = 0;
    applyFrom(index >= 0 && index < blogs.size() ? blogs.at(index).get() : nullptr);
}

void ApplyToAllBlogs::blogChanged(const QList<BlogPtr>& blogs, int index)
{
    Blog* shown = m_lastBlogIndex < blogs.size() ? blogs.at(m_lastBlogIndex).get() : nullptr;
    m_lastBlogIndex = std::max(index, 0);
    applyFrom(shown);
}

void ApplyToAllBlogs::closing(const QList<BlogPtr>& blogs)
{
    blogChanged(blogs, m_lastBlogIndex);
}

void ApplyToAllBlogs::applyFrom(Blog* blog)
{
    if (!blog || !m_defaults.boolean(QStringLiteral("apply_all_blogs")))
        return;
    Account* account = blog->account();
    if (!account)
        return;
    for (const BlogPtr& other : account->blogs()) {
        if (other.get() != blog)
            blog->applySettingsTo(*other);
    }
}
