// A child process for the publish kill test: it reads one blog's entry files,
// publishes the first entry to the MetaWeblog endpoint it is given, and ends
// with the publish: 0 published, 1 failed, 3 refused before any request (the
// refusal printed), unless the test kills it first. With "busy" the entry
// files' writer is given a large file the moment the entry takes the server's
// id, as a bulk save on a slow disk keeps it busy: a file handed to it after
// that and not waited for is not on disk for a while.
#include "Account.h"
#include "ActivityList.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryFileWriter.h"
#include "Job.h"
#include "PluginManager.h"
#include "PublishRoad.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();

    auto account = Account::create();
    account->setAccountID(args[1]);
    account->setPluginKey(QStringLiteral("MetaWeblog"));
    account->setUrl(args[2]);
    account->setUsername(QStringLiteral("me"));
    account->setPassword(QStringLiteral("secret"));
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    account->addBlog(blog);
    blog->load();
    if (blog->entries().isEmpty())
        return 2;

    const EntryPtr entry = blog->entries().first();
    if (args.size() > 3 && args[3] == QLatin1String("busy")) {
        const QString folder = QDir::homePath() + QStringLiteral("/ballast");
        QDir().mkpath(folder);
        auto failures = std::make_shared<EntryFileWriter::Failures>();
        QObject::connect(
            entry.get(), &ModelRecord::valueChanged, [folder, failures](const QString& key) {
                if (key == QLatin1String("uniqueID"))
                    EntryFileWriter::sharedInstance().write(folder, QStringLiteral("ballast"),
                                                            QByteArray(64 << 20, 'x'), failures);
            });
    }

    ActivityList list;
    PublishRoad road(list);
    ServerRoads::setSharedInstance(&road);
    bool started = false;
    QObject::connect(&road, &PublishRoad::jobCreated, [&started](QObject* object) {
        started = true;
        QObject::connect(qobject_cast<Job*>(object), &Job::finished, [](Job* job) {
            QCoreApplication::exit(job->state() == Job::State::Finished ? 0 : 1);
        });
    });
    if (!entry->publish())
        return 2;
    if (!started) {
        for (const ActivityItem* row : list.items()) {
            if (row->isError())
                std::printf("%s\n", qPrintable(row->errorMessage()));
        }
        return 3;
    }
    return app.exec();
}
