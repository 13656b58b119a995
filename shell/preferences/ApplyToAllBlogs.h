#pragma once

#include <QList>
#include <memory>

class Blog;
class UserDefaults;
using BlogPtr = std::shared_ptr<Blog>;

// "Apply to all blogs" of the settings window: when the "apply_all_blogs"
// preference is on, the settings of the blog the user was looking at go to
// every other blog of its account as soon as the user moves on. Which blog that
// is depends on the move, so the window reports each one here.
class ApplyToAllBlogs {
public:
    explicit ApplyToAllBlogs(UserDefaults& defaults);

    // The window opened with the blog at `index` of its account's list shown.
    void opened(int index);
    // Another account was chosen; `blogs` is its list, `index` the blog now
    // shown (-1 for none). That blog's settings go to its siblings.
    void accountChanged(const QList<BlogPtr>& blogs, int index);
    // Another blog of the same account was chosen. The settings of the blog
    // shown before go to its siblings, not those of the new one.
    void blogChanged(const QList<BlogPtr>& blogs, int index);
    // The window closes while `blogs` are listed: the blog shown last is
    // copied as if the user had moved on.
    void closing(const QList<BlogPtr>& blogs);

    int lastBlogIndex() const { return m_lastBlogIndex; }

private:
    void applyFrom(Blog* blog);

    UserDefaults& m_defaults;
    int m_lastBlogIndex = 0;
};
