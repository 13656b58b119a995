#pragma once

#include "Account.h"
#include "AccountBusyToken.h"
#include "Job.h"
#include "RemovedBlogFiles.h"
#include "URLUtilities.h"

#include <QHash>
#include <QPointer>
#include <QVariant>
#include <chrono>
#include <functional>
#include <optional>

class PLUMETPluginProtocol;

// Brings one account up to date with its server, holding the account for
// its whole length. The phases run in a fixed order:
//   Blogs        the user's blogs (the driver's users-blogs call, or over Atom
//                the service document the driver reads into blogs);
//   UserInfo     the user's id and name (XML-RPC only; a failure is ignored);
//   TextFilters  the server's text filters, when the driver has formats;
//   Categories   every blog's categories, one blog after another, when the
//                driver has categories; a blog whose own categories road
//                runs is skipped;
//   Pages        the pages of new blogs, to learn their encoding;
//   Merging      everything merged into the account and its blogs at once.
// Nothing of the account changes before Merging: a refresh that fails or is
// cancelled leaves the account and its blogs as they were. After the merge
// the saver (when set) writes the accounts, but only when what the account
// stores has changed. Blogs the server no longer lists leave the account and
// their entry files are set aside (see RemovedBlogFiles); the final status
// says where and how many drafts were kept.
//
// Refusals, before anything is sent: the account is busy (the holder keeps
// it), has no address, no driver key, no user name or password, or its
// driver is not loaded. A good end tells the event add-ons (event 1 with the
// account's title). The account's status and sub-status follow the job's
// while it runs and are cleared at its end, unless drafts were kept.
//
// Start it with start(); stop it with cancel(); hear its end on finished().
class RefreshAccountJob : public Job {
    Q_OBJECT
public:
    enum class Phase { Waiting, Blogs, UserInfo, TextFilters, Categories, Pages, Merging, Done };
    Q_ENUM(Phase)

    explicit RefreshAccountJob(Account* account, QObject* parent = nullptr);
    ~RefreshAccountJob() override;

    Account* account() const { return m_account.data(); }
    Phase phase() const { return m_phase; }

    // Writes the accounts after a merge that changed the account; false with
    // a sentence in *error when it could not, which fails the job.
    using Saver = std::function<bool(QString* error)>;
    void setSaver(Saver save) { m_saver = std::move(save); }

    // The wait for each server's first response; the "timeout" preference unless set.
    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }

    // After a good end: whether the merge changed what the account stores,
    // and what was kept of the blogs that left it.
    bool changedAccount() const { return m_changed; }
    QList<KeptBlogFiles> keptBlogs() const { return m_kept; }
    // The same in words for the user (the final status); empty when no blog left.
    QString keptBlogsNotice() const;

signals:
    void phaseChanged(RefreshAccountJob::Phase phase);

protected:
    void doStart() override;
    void doCancel() override;

private:
    using Answer = void (RefreshAccountJob::*)(Job*);
    void setPhase(Phase phase);
    void runStep(Job* step, Answer answered);
    // Ends the refresh as the step ended when it failed or was cancelled.
    bool endedWithStep(Job* step);
    // Ends the refresh, the account given back first; nullopt for success.
    void finishRefresh(const std::optional<RestError>& failure);
    void refuse(const QString& message);
    void stopWork();

    void fetchBlogs();
    void blogsAnswered(Job* step);
    bool takeBlogList(const QVariantList& list);
    void fetchUserInfo();
    void userInfoAnswered(Job* step);
    void fetchFormats();
    void formatsAnswered(Job* step);
    void fetchCategories();
    void fetchNextBlogCategories();
    void categoriesAnswered(Job* step);
    void fetchPages();
    void merge();

    QPointer<Account> m_account;
    PLUMETPluginProtocol* m_plugin = nullptr;
    AccountBusyToken m_token;
    Phase m_phase = Phase::Waiting;
    Saver m_saver;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
    QPointer<Job> m_step;
    QObject* m_pageFetches = nullptr;

    // What the server answered, merged at the end.
    QList<Account::ListedBlog> m_blogs;
    std::optional<QVariantMap> m_userInfo;
    std::optional<QVariantList> m_formats;
    QHash<QString, QVariant> m_categories; // blog id -> the server's list
    QHash<QString, URLUtilities::Page> m_pages; // new blog id -> its page
    int m_nextBlog = 0;

    bool m_changed = false;
    QList<KeptBlogFiles> m_kept;
};
