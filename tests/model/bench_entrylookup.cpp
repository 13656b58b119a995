// 500 lookups by identifier in a blog of 10,000 entries, through the blog's
// index, against a scan of the same list (how the lookup went before the
// index), interleaved, on one thread each.
#include "Benchmark.h"
#include "Blog.h"
#include "Entry.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    constexpr int entryCount = 10000, lookups = 500;
    Blog blog;
    QList<EntryPtr> entries;
    for (int i = 0; i < entryCount; ++i) {
        auto entry = Entry::create();
        entry->setUniqueID(QString::number(100000 + i));
        entries << entry;
    }
    blog.setEntries(entries);
    QRandomGenerator random(500);
    QStringList wanted;
    for (int i = 0; i < lookups; ++i)
        wanted << QString::number(100000 + random.bounded(entryCount + entryCount / 10));

    int found = 0, scanned = 0;
    const auto ours = [&] {
        found = 0;
        return plumet::test::millisecondsOf([&] {
            for (const QString& id : wanted)
                found += blog.entryWithID(id) ? 1 : 0;
        });
    };
    const auto scan = [&] {
        scanned = 0;
        return plumet::test::millisecondsOf([&] {
            const QList<EntryPtr> list = blog.entries();
            for (const QString& id : wanted) {
                for (const EntryPtr& entry : list) {
                    if (entry->uniqueID() == id) {
                        ++scanned;
                        break;
                    }
                }
            }
        });
    };
    const plumet::test::Comparison comparison = plumet::test::interleaved(15, ours, scan);
    std::printf("blog_entry_lookup: %d lookups in %d entries, one thread each\n", lookups,
                entryCount);
    plumet::test::printComparison("blog_entry_lookup",
                                  QStringLiteral("a scan of the same list for each identifier"),
                                  comparison);
    if (found != scanned) {
        std::fprintf(stderr, "the index found %d entries, the scan %d\n", found, scanned);
        return 1;
    }
    return 0;
}
