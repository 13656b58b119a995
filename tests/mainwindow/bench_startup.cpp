#include "Account.h"
#include "AccountList.h"
#include "Benchmark.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Entry.h"
#include "PlistParseAnchor.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

// Start-up with a big store (10,000 entries in 5 blogs of 2 accounts): from
// starting plumet to the main window shown with the first blog's entries
// listed (the program says so on an idle turn after the launch), against a
// bare libplist parse of the same entry files.
class bench_Startup : public QObject {
    Q_OBJECT
private slots:
    void startup10k();
};

void bench_Startup::startup10k()
{
    constexpr int perBlog = 2000;
    QRandomGenerator random(20261210);
    AccountList accounts;
    QStringList files;
    for (int a = 0; a < 2; ++a) {
        auto account = Account::create();
        account->setTitle(QStringLiteral("Account %1").arg(a + 1));
        for (int b = 0; b < (a == 0 ? 3 : 2); ++b) {
            auto blog = std::make_shared<Blog>();
            blog->setUniqueID(QStringLiteral("%1%2").arg(a).arg(b));
            blog->setTitle(QStringLiteral("Blog %1").arg(b + 1));
            account->addBlog(blog);
            QList<EntryPtr> entries;
            for (int i = 0; i < perBlog; ++i) {
                auto entry = Entry::create();
                entry->setTitle(QStringLiteral("Post %1").arg(i));
                QString body;
                for (int p = 0, n = 2 + random.bounded(6); p < n; ++p)
                    body +=
                        QStringLiteral("<p>%1</p>\n").arg(QString(60 + random.bounded(400), u'x'));
                entry->setBody(body);
                entry->setEntryDate(QDateTime::currentDateTime().addSecs(-3600 * i));
                entry->setPermaLink(QStringLiteral("https://blog.test/%1/%2/").arg(b).arg(i));
                entry->setFlag(0);
                entries << entry;
            }
            blog->setEntries(entries);
            QVERIFY(blog->save());
            QVERIFY(blog->store().flush());
            const QString folder = blog->store().folder();
            for (const QString& name : QDir(folder).entryList({"*.plumet"}, QDir::Files))
                files << folder + "/" + name;
        }
        accounts.insertAccount(account, -1);
    }
    QCOMPARE(files.size(), 10000);
    QVERIFY(accounts.saveAccounts(AccountList::defaultPath()));
    // The first blog's row: row 0 (the first account) is never restored.
    UserDefaults::sharedInstance().setValue(QStringLiteral("last_sel_acct"), 1);

    // Started as the user starts it, with the factory settings: the
    // "Untitled" draft that "draft_option" 0 opens is part of the start-up.
    auto startup = [&] {
        // Drafts left open at a quit would be opened again instead of the new one.
        UserDefaults::sharedInstance().remove(QStringLiteral("open_drafts"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PLUMET_STARTUP_REPORT"), QStringLiteral("1"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(PLUMET_BINARY), {});
        // The time is taken when the line arrives, not when the program ends.
        QByteArray said;
        double ms = -1;
        while (ms < 0 && process.waitForReadyRead(60000)) {
            said += process.readAllStandardOutput();
            if (said.contains('\n'))
                ms = timer.nsecsElapsed() / 1e6;
        }
        process.kill();
        process.waitForFinished(10000);
        const QList<QByteArray> words = said.trimmed().split(' ');
        // The first blog's 2,000 entries and the new draft.
        if (ms < 0 || words.size() != 3 || words[0] != "listed" || words[1] != "2001")
            qFatal("plumet said \"%s\"", said.constData());
        return ms;
    };
    // Warm the file cache (and the program's libraries) for both sides alike.
    plumet::test::bareParseMs(files);
    startup();
    const auto comparison =
        plumet::test::interleaved(5, startup, [&] { return plumet::test::bareParseMs(files); });
    plumet::test::printComparison(
        "startup_10k",
        QStringLiteral("libplist parse of the 10,000 files on one thread; ours: plumet started "
                       "to its main window listing the first blog, the new draft included"),
        comparison);
    const double ratio = comparison.ours.median() / comparison.anchor.median();
    QVERIFY2(comparison.ours.median() < 1000,
             qPrintable(QStringLiteral("start-up took %1 ms").arg(comparison.ours.median())));
    QVERIFY2(ratio <= 3.0,
             qPrintable(QStringLiteral("start-up took %1 x the bare parse").arg(ratio)));
}

QTEST_GUILESS_MAIN(bench_Startup)
#include "bench_startup.moc"
