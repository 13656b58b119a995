#include "Account.h"
#include "Benchmark.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryListMerge.h"
#include "PluginManager.h"
#include "XMLRPCDecoder.h"

#include <QRandomGenerator>
#include <QTest>

// A refresh of a large blog: the 500 posts of a decoded answer merged into a
// blog of 10,000 entries (the posts are among them, unchanged), against the
// decoding of the same answer by the XML-RPC decoder alone.
class bench_EntryListMerge : public QObject {
    Q_OBJECT
private slots:
    void merge500Into10000();
};

namespace {

constexpr int BlogEntries = 10000;
constexpr int ListedPosts = 500;

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

void bench_EntryListMerge::merge500Into10000()
{
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    PLUMETPluginProtocol* wordpress = drivers.pluginForKey(QStringLiteral("Wordpress"));
    QVERIFY(wordpress);

    auto account = Account::create();
    account->setPluginKey(QStringLiteral("Wordpress"));
    account->setUrl(QStringLiteral("http://blog.invalid/xmlrpc.php"));
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    account->addBlog(blog);

    QRandomGenerator random(16);
    QList<Post> all;
    QList<EntryPtr> entries;
    const QDateTime start(QDate(2020, 1, 1), QTime(9, 0), QTimeZone::utc());
    for (int i = 0; i < BlogEntries; ++i) {
        Post post{QString::number(100000 + i), QStringLiteral("Post %1 about the river").arg(i),
                  paragraph(random, 120) + paragraph(random, 80), paragraph(random, 40),
                  start.addSecs(i * 3600LL).toLocalTime()};
        auto entry = Entry::create();
        entry->setUniqueID(post.id);
        entry->setTitle(post.title);
        entry->setBody(post.body);
        entry->setExtended(post.more);
        entry->setEntryDate(post.date);
        entry->setFlag(0);
        entries.append(entry);
        all.append(post);
    }
    blog->addEntries(entries);
    // The newest 500, as the server lists them.
    const QByteArray answer = answerFor(all.mid(BlogEntries - ListedPosts));
    const DecodeResult decoded = XMLRPCDecoder::decode(answer);
    QVERIFY(!decoded.isFault());
    const QVariantList items = decoded.value().toList();
    QCOMPARE(items.size(), ListedPosts);
    const EntryListMerge::Options options = EntryListMerge::optionsFor(*blog);

    // One merge before timing: the entries take the server's form once.
    EntryListMerge::merge(*blog,
                          EntryListMerge::read(items, *wordpress, EntryListMerge::Kind::Posts),
                          EntryListMerge::Kind::Posts, options);
    QCOMPARE(blog->entries().size(), BlogEntries);

    const auto comparison = plumet::test::interleaved(
        15,
        [&] {
            return plumet::test::millisecondsOf([&] {
                const auto listed =
                    EntryListMerge::read(items, *wordpress, EntryListMerge::Kind::Posts);
                const auto found =
                    EntryListMerge::merge(*blog, listed, EntryListMerge::Kind::Posts, options);
                if (found.size() != ListedPosts)
                    qFatal("merge lost posts");
            });
        },
        [&] {
            return plumet::test::millisecondsOf([&] {
                if (XMLRPCDecoder::decode(answer).isFault())
                    qFatal("decode failed");
            });
        });
    QCOMPARE(blog->entries().size(), BlogEntries);
    for (const EntryPtr& entry : blog->entries().mid(BlogEntries - 5))
        QVERIFY(entry->diffs().value_or(QVariantMap()).isEmpty());
    plumet::test::printComparison(
        "merge_500_into_10000", QStringLiteral("decoding the answer (XMLRPCDecoder)"), comparison);
}

QTEST_GUILESS_MAIN(bench_EntryListMerge)
#include "bench_entrylistmerge.moc"
