// A child process for the kill test: it saves a blog of many entries over and
// over, each round with every body at a new version, until it is killed. With
// "exit" after the round count it hands the last round to the writer and ends
// at once, without waiting for the files.
#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Entry.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

QString bodyFor(const QString& id, int version)
{
    // Long enough that a torn write shows, and tied to the entry so a swapped file shows too.
    return QStringLiteral("entry %1 version %2 ").arg(id).arg(version).repeated(400);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    const QString accountID = args[1];
    const int entryCount = args[2].toInt();
    const int firstVersion = args[3].toInt();
    const int rounds = args.size() > 4 ? args[4].toInt() : 1000000;
    const bool exitAtOnce = args.size() > 5 && args[5] == QLatin1String("exit");

    Account account;
    account.setAccountID(accountID);
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("kill-test"));
    account.addBlog(blog);
    blog->load();
    if (blog->entries().isEmpty()) {
        QList<EntryPtr> entries;
        for (int i = 0; i < entryCount; ++i) {
            auto entry = Entry::create();
            entry->setUniqueID(QStringLiteral("e%1").arg(i));
            entries << entry;
        }
        blog->setEntries(entries);
    }
    for (int round = 0; round < rounds; ++round) {
        const int version = firstVersion + round;
        for (const auto& entry : blog->entries()) {
            entry->setBody(bodyFor(entry->uniqueID(), version));
            entry->setNeedsSave(true);
        }
        if (!blog->save())
            return 1;
        if (exitAtOnce && round + 1 == rounds) {
            std::printf("handed over %d\n", version);
            return 0;
        }
        // Saved means on disk: the writer has every file of the round.
        if (!blog->store().flush())
            return 1;
        std::printf("saved %d\n", version);
        std::fflush(stdout);
    }
    return 0;
}
