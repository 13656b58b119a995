#pragma once

#include "Account.h"
#include "ActivityList.h"
#include "Blog.h"
#include "Entry.h"
#include "Job.h"
#include "PluginManager.h"
#include "PublishJob.h"
#include "PublishRoad.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTest>

// What the publishing tests share: the shipped drivers in the shared plug-in
// manager, an account with one blog, and a road whose jobs are watched to
// their end.
namespace plumet::test {

inline void loadDrivers()
{
    PluginManager& drivers = PluginManager::sharedInstance();
    if (drivers.pluginForKey(QStringLiteral("MetaWeblog")))
        return;
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
}

struct BlogSetup {
    std::shared_ptr<Account> account;
    std::shared_ptr<Blog> blog;
};

inline BlogSetup makeBlog(const QString& driver, const QUrl& endpoint, const QString& user,
                          const QString& password, const QString& blogID)
{
    BlogSetup setup;
    setup.account = Account::create();
    setup.account->setPluginKey(driver);
    setup.account->setUrl(endpoint.toString());
    setup.account->setUsername(user);
    setup.account->setPassword(password);
    setup.blog = std::make_shared<Blog>();
    setup.blog->setUniqueID(blogID);
    setup.blog->setTitle(QStringLiteral("Test Blog"));
    setup.account->addBlog(setup.blog);
    return setup;
}

// One publish watched to its end.
struct Outcome {
    bool ended = false;
    int endings = 0;
    Job::State state = Job::State::Waiting;
    QString message;
    int requests = 0;
    bool edit = false;
};

// The road's publishes watched to their end from now until stop() (or the
// watch goes); the outcome is the last one's.
class PublishWatch {
public:
    explicit PublishWatch(PublishRoad& road)
        : m_outcome(std::make_shared<Outcome>()),
          m_created(QObject::connect(
              &road, &PublishRoad::jobCreated, [outcome = m_outcome](QObject* object) {
                  auto* job = qobject_cast<PublishJob*>(object);
                  QObject::connect(job, &Job::finished, [outcome, job] {
                      ++outcome->endings;
                      outcome->ended = true;
                      outcome->state = job->state();
                      outcome->message = job->error() ? job->error()->message : QString();
                      outcome->requests = job->requestCount();
                      outcome->edit = job->isEdit();
                  });
              }))
    {
    }
    ~PublishWatch() { stop(); }
    PublishWatch(const PublishWatch&) = delete;
    PublishWatch& operator=(const PublishWatch&) = delete;

    // No later job is watched; the jobs already watched still note their end.
    void stop() { QObject::disconnect(m_created); }
    const Outcome& outcome() const { return *m_outcome; }

private:
    std::shared_ptr<Outcome> m_outcome;
    QMetaObject::Connection m_created;
};

// Publishes through the road and waits (bounded) for the job's one end.
inline Outcome publish(PublishRoad& road, const EntryPtr& entry, int limitMs = 30000)
{
    PublishWatch watch(road);
    const bool started = entry->publish();
    if (started)
        (void)QTest::qWaitFor([&] { return watch.outcome().ended; }, limitMs);
    watch.stop();
    // A second end would show up now.
    QTest::qWait(20);
    return watch.outcome();
}

// The error row's message, or empty.
inline QString errorRowMessage(const ActivityList& list)
{
    for (const ActivityItem* row : list.items())
        if (row->isError())
            return row->errorMessage();
    return {};
}

inline QString methodOf(const QByteArray& body)
{
    static const QRegularExpression name(QStringLiteral("<methodName>([^<]*)</methodName>"));
    return name.match(QString::fromUtf8(body)).captured(1);
}

} // namespace plumet::test
