#include "Account.h"
#include "Benchmark.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryListMerge.h"
#include "PluginManager.h"
#include "XMLRPCDecoder.h"

#include <QRandomGenerator>
#include <QTest>
#include <cstdio>

// A refresh of a large blog: the 500 posts of a decoded answer merged into a
// blog of 10,000 entries, against the decoding of the same answer by the
// XML-RPC decoder alone. The merge is the posts road's own: the driver's
// reading of each item, the user's options, then the merge, with every entry
// and the blog watched the way the entry list watches them. Between one
// refresh and the next the server has edited one post in twenty (a title and
// a sentence), and edited it back the time after, so that each refresh
// compares those copies in full, shows or clears their differences and
// announces what changed; the other posts come back as they were. The first
// refresh after a start, when no copy has been merged yet and each is
// compared in full, is measured on its own, against the same anchor.
class bench_EntryListMerge : public QObject {
    Q_OBJECT
private slots:
    void merge500Into10000();
};

namespace {

constexpr int BlogEntries = 10000;
constexpr int ListedPosts = 500;
constexpr int EditedEvery = 20;

QString paragraph(QRandomGenerator& random, int words)
{
    static const QStringList vocabulary{"garden", "summer", "the",     "water", "street",
                                        "photo",  "café",   "morning", "city",  "notes",
                                        "and",    "of",     "light",   "river", "walk"};
    QStringList text;
    for (int i = 0; i < words; ++i)
        text << vocabulary[random.bounded(int(vocabulary.size()))];
    return QStringLiteral("<p>") + text.join(' ') + QStringLiteral(".</p>");
}

QString escaped(const QString& text)
{
    QString out = text;
    out.replace('&', QLatin1String("&amp;")).replace('<', QLatin1String("&lt;"));
    return out.replace('>', QLatin1String("&gt;"));
}

struct Post {
    QString id, title, body, more;
    QDateTime date;
};

// A getRecentPosts answer as WordPress writes it.
QByteArray answerFor(const QList<Post>& posts)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodResponse>"
                                 "<params><param><value><array><data>\n");
    for (const Post& post : posts) {
        auto member = [&](const char* name, const QString& type, const QString& value) {
            xml += QStringLiteral("<member><name>%1</name><value><%2>%3</%2></value></member>")
                       .arg(QLatin1String(name), type, value);
        };
        xml += QStringLiteral("<value><struct>");
        member("dateCreated", "dateTime.iso8601",
               post.date.toUTC().toString(QStringLiteral("yyyyMMddTHH:mm:ss")));
        member("userid", "string", "1");
        member("postid", "string", post.id);
        member("description", "string", escaped(post.body));
        member("title", "string", escaped(post.title));
        member("link", "string", "http://blog.invalid/?p=" + post.id);
        member("permaLink", "string", "http://blog.invalid/?p=" + post.id);
        member("mt_excerpt", "string", "");
        member("mt_text_more", "string", escaped(post.more));
        member("wp_slug", "string", "post-" + post.id);
        member("mt_allow_comments", "int", "1");
        member("mt_allow_pings", "int", "1");
        member("mt_keywords", "string", "");
        member("post_status", "string", "publish");
        xml += QStringLiteral("<member><name>categories</name><value><array><data><value><string>"
                              "News</string></value></data></array></value></member>");
        xml += QStringLiteral("</struct></value>\n");
    }
    xml += QStringLiteral("</data></array></value></param></params></methodResponse>\n");
    return xml.toUtf8();
}

} // namespace

namespace {

// A blog of BlogEntries entries as a start loads it (nothing merged yet),
// every entry and the blog watched the way the entry list watches them.
struct LargeBlog {
    std::shared_ptr<Account> account = Account::create();
    std::shared_ptr<Blog> blog = std::make_shared<Blog>();
    QObject list;
    qint64 heard = 0;

    explicit LargeBlog(const QList<Post>& posts)
    {
        account->setPluginKey(QStringLiteral("Wordpress"));
        account->setUrl(QStringLiteral("http://blog.invalid/xmlrpc.php"));
        blog->setUniqueID(QStringLiteral("1"));
        account->addBlog(blog);
        QList<EntryPtr> entries;
        entries.reserve(posts.size());
        for (const Post& post : posts) {
            auto entry = Entry::create();
            entry->setUniqueID(post.id);
            entry->setTitle(post.title);
            entry->setBody(post.body);
            entry->setExtended(post.more);
            entry->setEntryDate(post.date.toUTC()); // as the entry files give dates back
            entry->setFlag(0);
            entries.append(entry);
        }
        blog->addEntries(entries);
        const auto hear = [this] { ++heard; };
        for (const EntryPtr& entry : std::as_const(entries))
            QObject::connect(entry.get(), &ModelRecord::valueChanged, &list, hear);
        QObject::connect(blog.get(), &Blog::entriesAboutToBeInserted, &list, hear);
        QObject::connect(blog.get(), &Blog::entriesInserted, &list, hear);
        QObject::connect(blog.get(), &Blog::entriesAboutToBeRemoved, &list, hear);
        QObject::connect(blog.get(), &Blog::entriesRemoved, &list, hear);
        QObject::connect(blog.get(), &ModelRecord::valueChanged, &list, hear);
    }
};

} // namespace

void bench_EntryListMerge::merge500Into10000()
{
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    PLUMETPluginProtocol* wordpress = drivers.pluginForKey(QStringLiteral("Wordpress"));
    QVERIFY(wordpress);

    QRandomGenerator random(16);
    QList<Post> all;
    const QDateTime start(QDate(2020, 1, 1), QTime(9, 0), QTimeZone::utc());
    for (int i = 0; i < BlogEntries; ++i) {
        all.append({QString::number(100000 + i), QStringLiteral("Post %1 about the river").arg(i),
                    paragraph(random, 120) + paragraph(random, 80), paragraph(random, 40),
                    start.addSecs(i * 3600LL).toLocalTime()});
    }

    // The newest 500, as the server lists them, and the same list with one
    // post in twenty edited on the server.
    QList<Post> listedPosts = all.mid(BlogEntries - ListedPosts);
    QList<Post> editedPosts = listedPosts;
    QStringList editedIDs;
    for (int i = 0; i < ListedPosts; i += EditedEvery) {
        Post& post = editedPosts[i];
        post.title += QStringLiteral(" (edited)");
        post.body += QStringLiteral("<p>A sentence added on the server.</p>");
        editedIDs << post.id;
    }
    const QByteArray answers[2]{answerFor(listedPosts), answerFor(editedPosts)};
    QVariantList items[2];
    for (int i = 0; i < 2; ++i) {
        const DecodeResult decoded = XMLRPCDecoder::decode(answers[i]);
        QVERIFY(!decoded.isFault());
        items[i] = decoded.value().toList();
        QCOMPARE(items[i].size(), ListedPosts);
    }
    const auto refresh = [&](Blog& blog, const QVariantList& answer) {
        const auto listed = EntryListMerge::read(answer, *wordpress, EntryListMerge::Kind::Posts);
        return EntryListMerge::merge(blog, listed, EntryListMerge::Kind::Posts,
                                     EntryListMerge::optionsFor(blog));
    };
    int anchorRun = 0;
    const auto decodeOnce = [&] {
        const QByteArray& answer = answers[++anchorRun % 2];
        return plumet::test::millisecondsOf([&] {
            if (XMLRPCDecoder::decode(answer).isFault())
                qFatal("decode failed");
        });
    };

    // The first refresh after a start: nothing merged yet, so every listed
    // copy is compared in full. Each run takes a blog just loaded (made
    // before its clock starts).
    std::unique_ptr<LargeBlog> cold;
    const auto coldComparison = plumet::test::interleaved(
        15,
        [&] {
            cold = std::make_unique<LargeBlog>(all);
            return plumet::test::millisecondsOf([&] {
                if (refresh(*cold->blog, items[0]).size() != ListedPosts)
                    qFatal("merge lost posts");
            });
        },
        decodeOnce);
    QCOMPARE(cold->blog->entries().size(), BlogEntries);

    // The refreshes after it, into the blog the last cold run merged into.
    LargeBlog& warm = *cold;
    warm.heard = 0;
    int oursRun = 0;
    const auto comparison = plumet::test::interleaved(
        15,
        [&] {
            const QVariantList& answer = items[++oursRun % 2];
            return plumet::test::millisecondsOf([&] {
                if (refresh(*warm.blog, answer).size() != ListedPosts)
                    qFatal("merge lost posts");
            });
        },
        decodeOnce);
    QCOMPARE(warm.blog->entries().size(), BlogEntries);
    // The last refresh took the edited list: the edited posts show their
    // differences, the others none.
    QCOMPARE(oursRun % 2, 1);
    for (const EntryPtr& entry : warm.blog->entries().mid(BlogEntries - ListedPosts)) {
        const QVariantMap diffs = entry->diffs().value_or(QVariantMap());
        QCOMPARE(diffs.contains(QStringLiteral("title")), editedIDs.contains(entry->uniqueID()));
    }
    std::printf("  %.1f announcements heard per refresh\n", double(warm.heard) / oursRun);
    plumet::test::printComparison(
        "merge_500_into_10000", QStringLiteral("decoding the answer (XMLRPCDecoder)"), comparison);
    plumet::test::printComparison("merge_500_into_10000_first_after_start",
                                  QStringLiteral("decoding the answer (XMLRPCDecoder)"),
                                  coldComparison);
}

QTEST_GUILESS_MAIN(bench_EntryListMerge)
#include "bench_entrylistmerge.moc"
