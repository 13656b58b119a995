#include "Account.h"
#include "Benchmark.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "Entry.h"
#include "PlistParseAnchor.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <cstdio>

// Start-up reads every entry of every blog: 10,000 entries in 5 blogs, against a
// bare libplist parse of the same files.
class bench_StoreLoad : public QObject {
    Q_OBJECT
private slots:
    void loadAndResave();
};

namespace {

QString paragraph(QRandomGenerator& random, int words)
{
    static const QStringList vocabulary{"garden", "summer", "the",     "water", "street",
                                        "photo",  "café",   "morning", "city",  "notes",
                                        "and",    "of",     "light",   "river", "walk"};
    QStringList text;
    for (int i = 0; i < words; ++i)
        text << vocabulary[random.bounded(int(vocabulary.size()))];
    return QStringLiteral("<p>") + text.join(' ') + QStringLiteral(".</p>\n");
}

} // namespace

void bench_StoreLoad::loadAndResave()
{
    constexpr int blogCount = 5, perBlog = 2000;
    QRandomGenerator random(20261209);
    auto account = Account::create();
    QStringList files;
    for (int b = 0; b < blogCount; ++b) {
        auto blog = std::make_shared<Blog>();
        blog->setUniqueID(QString::number(b + 1));
        account->addBlog(blog);
        QList<EntryPtr> entries;
        for (int i = 0; i < perBlog; ++i) {
            auto entry = Entry::create();
            entry->setTitle(QStringLiteral("Post %1 of blog %2").arg(i).arg(b));
            QString body;
            for (int p = 0, n = 2 + random.bounded(8); p < n; ++p)
                body += paragraph(random, 40 + random.bounded(80));
            entry->setBody(body);
            if (random.bounded(4) == 0)
                entry->setExtended(paragraph(random, 200));
            entry->setKeywords(QStringLiteral("walk, city"));
            CategoryList categories;
            for (int c = 0, n = 1 + random.bounded(3); c < n; ++c) {
                auto category = Category::withTitle(QStringLiteral("Category %1").arg(c));
                category->setIsCategory(true);
                category->setUniqueID(QString::number(c));
                categories << category;
            }
            entry->setCategories(categories);
            entry->setPermaLink(QStringLiteral("https://blog.test/%1/%2/").arg(b).arg(i));
            entry->setFlag(0);
            entries << entry;
        }
        blog->setEntries(entries);
        QVERIFY(blog->save());
        QCOMPARE(blog->store().lastWriteCount(), perBlog);
        QVERIFY(blog->store().flush());
        const QString folder = blog->store().folder();
        for (const QString& name : QDir(folder).entryList({"*.plumet"}, QDir::Files))
            files << folder + "/" + name;
    }
    QCOMPARE(files.size(), blogCount * perBlog);

    // Warm the file cache for both sides alike.
    plumet::test::bareParseMs(files);
    plumet::test::bareParseMs(files);

    // Equal parallelism: libplist parses on one thread, so the store does too.
    BlogEntryStore::setLoadWorkers(0);
    QList<std::shared_ptr<Blog>> loaded;
    const auto load = [&] {
        loaded.clear();
        QList<std::shared_ptr<Blog>> blogs;
        const double ms = plumet::test::millisecondsOf([&] {
            for (int b = 0; b < blogCount; ++b) {
                auto blog = std::make_shared<Blog>();
                blog->setUniqueID(QString::number(b + 1));
                blog->setAccount(account.get());
                blog->load();
                blogs << blog;
            }
        });
        int total = 0;
        for (const auto& blog : blogs)
            total += int(blog->entries().size());
        if (total != blogCount * perBlog)
            qFatal("loaded %d entries of %d", total, blogCount * perBlog);
        loaded = blogs;
        return ms;
    };
    constexpr int repetitions = 7;
    std::printf("store-load: 10,000 entries in 5 blogs; equal parallelism: one thread each "
                "(the store with no load workers, libplist on the same thread)\n");
    plumet::test::printComparison(
        "store-load", QStringLiteral("libplist plist_from_bin of the same files, one thread"),
        plumet::test::interleaved(repetitions, load,
                                  [&] { return plumet::test::bareParseMs(files); }));

    // Every server read marks entries for saving; nothing changed, so nothing
    // is written, nor even serialised. Timed against loading the same blogs.
    int written = 0;
    const auto secondSave = [&] {
        for (const auto& blog : loaded) {
            for (const auto& entry : blog->entries())
                entry->setNeedsSave(true);
        }
        const double ms = plumet::test::millisecondsOf([&] {
            for (const auto& blog : loaded) {
                if (!blog->save() || !blog->store().flush())
                    qFatal("the second save failed");
                written += blog->store().lastWriteCount();
            }
        });
        return ms;
    };
    plumet::test::printComparison("store-second-save",
                                  QStringLiteral("loading the same blogs, one thread"),
                                  plumet::test::interleaved(repetitions, secondSave, load));
    QCOMPARE(written, 0);

    // For the record: the load as the program runs it, on its workers.
    BlogEntryStore::setLoadWorkers(-1);
    plumet::test::Timings threaded;
    for (int run = 0; run < repetitions; ++run)
        threaded.runs.push_back(load());
    std::printf("store-load with %d workers (not compared): min %.2f ms, median %.2f ms\n",
                BlogEntryStore::loadWorkers(), threaded.min(), threaded.median());
    std::fflush(stdout);
}

QTEST_GUILESS_MAIN(bench_StoreLoad)
#include "bench_storeload.moc"
