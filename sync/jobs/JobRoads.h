#pragma once

#include "RefreshAccountJob.h"
#include "RefreshRoads.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class RefreshCategoriesJob;

// The server roads of this library as the records reach them (RefreshRoads):
// Account::updateCache, Account::cancel, Account::downloadFromURL,
// Blog::refreshCategories and Blog::detectEncoding land here once install()
// has run.
class JobRoads : public QObject, public RefreshRoads {
    Q_OBJECT
public:
    // Makes the program's roads and installs them; later calls answer the same.
    static JobRoads& install();

    // Where a refresh that changed an account writes the accounts; nothing
    // is written until one is set.
    void setAccountsSaver(RefreshAccountJob::Saver saver) { m_saver = std::move(saver); }
    // Each road's wait for a server's first response; the preference unless set.
    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }

    // The account's running refresh, or null.
    RefreshAccountJob* refreshOf(const Account* account) const;

    bool refreshAccount(Account& account, Outcome done) override;
    void cancelRefresh(Account& account) override;
    // Runs the blog's categories road through a row of the activity list that
    // waits for the account without holding it. A good end posts
    // "categoriesRefreshed" (ModelNotifications) and tells the event add-ons (event 3, the blog's
    // title); a failure stays in the row until the user clears it.
    bool refreshCategories(Blog& blog) override;
    // The download stops when `context` goes away.
    void downloadFromURL(Account& account, const QString& address, QObject* context,
                         PageFetched done) override;
    // A plain GET of the blog's page; an error page says nothing of the
    // blog's own pages and changes nothing.
    void detectEncoding(Blog& blog, std::function<void()> done) override;

private:
    JobRoads() = default;

    RefreshAccountJob::Saver m_saver;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
    QHash<const Account*, QPointer<RefreshAccountJob>> m_refreshes;
    QHash<const Blog*, QPointer<RefreshCategoriesJob>> m_categories;
};
