#pragma once

#include "AccountCallJob.h"
#include "ModelTypes.h"

#include <QList>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <memory>

class Account;
class Blog;
class PLUMETPluginProtocol;
class RESTCall;

// Fetching the categories of each listed post, one request after the other,
// for blog systems whose post lists leave them out: the posts road queues
// the posts it merged, and this job asks for each one's categories, a pause
// apart, holding the account throughout. The row shows which post of how
// many it is at. A post that left the blog meanwhile is skipped; the first
// failure ends the job, leaving the posts not yet asked as they were.
class EntryCategoriesJob : public AccountCallJob {
    Q_OBJECT
public:
    // The pause between two requests.
    static constexpr std::chrono::milliseconds defaultPacing{500};

    EntryCategoriesJob(Blog* blog, const QList<EntryPtr>& queue, QObject* parent = nullptr);

    Blog* blog() const { return m_blog.data(); }
    int queued() const { return static_cast<int>(m_queue.size()); }
    // How many requests the job has sent.
    int requestCount() const { return m_current; }

    void setPacing(std::chrono::milliseconds pacing) { m_pacing.setInterval(pacing); }

protected:
    void doStart() override;
    void doCancel() override;
    void callFinished(RESTCall* call) override;

private:
    void requestNext();

    QPointer<Blog> m_blog;
    QPointer<Account> m_account;
    PLUMETPluginProtocol* m_plugin = nullptr;
    QList<std::weak_ptr<Entry>> m_queue;
    std::weak_ptr<Entry> m_asked;
    int m_current = 0;
    QTimer m_pacing;
};
