#pragma once

#include "Account.h"
#include "Job.h"

#include <QPointer>
#include <QVariant>
#include <chrono>
#include <optional>

class Blog;
class ServerCallJob;

// The categories road of one blog: asks the server for the blog's categories
// (the driver's category-list call over XML-RPC; over Atom, the blog's
// "service.categories" document) and reads the answer.
//
// It runs in one of two ways:
// - by itself, for a Blog (JobRoads::refreshCategories gives it a row of its
//   own): the answer is merged into the blog's categories before it finishes;
// - as one step of an account refresh, for a blog as the server has just
//   listed it: it merges nothing, and the refresh merges categoryList() once
//   every step has gone well.
//
// Fails with "The server did not return data.", the server's fault, "The
// response from the server did not contain valid data: Categories must be
// returned either as an array or a struct.", a request that cannot be made,
// or the HTTP call's error. An Atom blog without a categories document has
// nothing to fetch: the job finishes at once with hadNothingToFetch().
class RefreshCategoriesJob : public Job {
    Q_OBJECT
public:
    explicit RefreshCategoriesJob(Blog* blog, QObject* parent = nullptr);
    RefreshCategoriesJob(Account* account, const Account::ListedBlog& listed,
                         QObject* parent = nullptr);

    QString blogID() const { return m_blogID; }
    // The categories as the server sent them: a list, a struct keyed by name
    // or one name (see Blog::processCategories).
    QVariant categoryList() const { return m_list; }
    bool hadNothingToFetch() const { return m_nothingToFetch; }

    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }

protected:
    void doStart() override;
    void doCancel() override;

private:
    void callFinished(Job* call);

    QPointer<Account> m_account;
    QPointer<Blog> m_blog; // set for the stand-alone road
    QString m_blogID;
    QString m_categoriesService;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
    QPointer<ServerCallJob> m_call;
    QVariant m_list;
    bool m_nothingToFetch = false;
};
