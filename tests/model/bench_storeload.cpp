#include "Account.h"
#include "Blog.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "Entry.h"
#include "PlistParseAnchor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

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
        const QString folder = blog->store().folder();
        for (const QString& name : QDir(folder).entryList({"*.plumet"}, QDir::Files))
            files << folder + "/" + name;
    }
    QCOMPARE(files.size(), blogCount * perBlog);

    // Warm the file cache for both sides alike.
    plumet::test::bareParseMs(files);
    const double anchor = plumet::test::bareParseMs(files);

    QList<std::shared_ptr<Blog>> loaded;
    QElapsedTimer timer;
    timer.start();
    for (int b = 0; b < blogCount; ++b) {
        auto blog = std::make_shared<Blog>();
        blog->setUniqueID(QString::number(b + 1));
        blog->setAccount(account.get());
        blog->load();
        loaded << blog;
    }
    const double ours = timer.nsecsElapsed() / 1e6;
    int total = 0;
    for (const auto& blog : loaded)
        total += int(blog->entries().size());
    QCOMPARE(total, blogCount * perBlog);

    // Every server read marks entries for saving; nothing changed, so nothing is written.
    for (const auto& blog : loaded) {
        for (const auto& entry : blog->entries())
            entry->setNeedsSave(true);
        QVERIFY(blog->save());
        QCOMPARE(blog->store().lastWriteCount(), 0);
    }

    const double ratio = ours / anchor;
    printf("RESULT store-load ours=%.1f anchor=%.1f ratio=%.2f\n", ours, anchor, ratio);
    fflush(stdout);
    QVERIFY2(ratio <= 3.0, qPrintable(QStringLiteral("load took %1 x the bare parse").arg(ratio)));
}

QTEST_GUILESS_MAIN(bench_StoreLoad)
#include "bench_storeload.moc"
