#include "PLUMETPageProtocol.h"
#include "PLUMETPluginProtocol.h"
#include "PluginManager.h"
#include "TestSupport.h"
#include "XMLRPCDates.h"
#include "XMLRPCDecoder.h"
#include "XMLRPCEncoder.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimeZone>

// The XML-RPC drivers as the host meets them: loaded from their bundles,
// asked to shape every request, encoded and compared with the bytes that go
// out. Runs with TZ=Europe/Berlin so dates and daylight saving are fixed.
namespace {

const QStringList AllDrivers = {"Wordpress", "MovableType 4", "TypePad", "MovableType",
                                "MetaWeblog"};
const QStringList MovableTypeFamily = {"Wordpress", "MovableType 4", "TypePad", "MovableType"};
const QStringList PageDrivers = {"Wordpress", "MovableType 4", "TypePad"};

PluginManager& drivers()
{
    static PluginManager* manager = [] {
        auto* m = new PluginManager;
        m->setUserFolder(QString());
        m->loadPlugins();
        return m;
    }();
    return *manager;
}

QVariantMap content()
{
    return {
        {"title", QStringLiteral("It's Café & Crème")},
        {"description", "<p>Body & more</p>"},
        {"mt_text_more", "More"},
        {"mt_excerpt", "Excerpt"},
        {"mt_keywords", "kw"},
        {"mt_tags", "tag one,tag&two"},
        {"dateCreated", QDateTime(QDate(2026, 12, 1), QTime(10, 30), QTimeZone::utc())},
        {"mt_allow_comments", 1},
        {"mt_allow_pings", 0},
        {"mt_convert_breaks", "__default__"},
        {"categories", QVariantList{"Uncategorized"}},
    };
}

QVariantMap pluginSettings()
{
    return {
        {"wp_slug", "my-slug"},
        {"wp_password", "pw"},
        {"custom_fields",
         QVariantList{QVariantMap{{"id", "7"}, {"key", "mood"}, {"value", "happy"}}}},
        {"wp_page_parent_id", 3},
        {"wp_page_order", 2},
        {"MetaWeblog_extra", "x"},
    };
}

// The values the host puts in place before it calls each builder.
QVariantMap hostValues(const QString& builder, bool edit)
{
    const QVariantMap login{{"username", "joe"}, {"password", "s3cret&<>"}};
    auto with = [&login](QVariantMap more) {
        more.insert(login);
        return more;
    };
    if (builder == "usersBlogs" || builder == "userInfo")
        return login;
    if (builder == "textFilters")
        return {};
    if (builder == "categoryList")
        return with({{"blogid", "1"}});
    if (builder == "entryList" || builder == "pageList")
        return with({{"blogid", "1"}, {"numberOfPosts", 20}});
    if (builder == "entryCategories" || builder == "retrieve")
        return with({{"postid", "21"}});
    if (builder == "postCategories")
        return with(
            {{"postid", "21"},
             {"categories", QVariantList{QVariantMap{{"categoryId", "1"}, {"isPrimary", true}}}}});
    if (builder == "upload")
        return with({{"blogid", "1"},
                     {"file", QVariantMap{{"bits", QByteArray("\x89PNG\r\n", 6)},
                                          {"type", "image/png"},
                                          {"name", "dot.png"}}}});
    if (builder == "delete" || builder == "deletePage")
        return with({{"postid", "21"}, {"publish", true}, {"blogid", "1"}});
    if (builder == "retrievePage")
        return with({{"postid", "21"}, {"blog_id", "1"}});
    if (builder == "publish" || builder == "publishPage") {
        QVariantMap values = with({{"publish", true}, {"content", content()}});
        if (edit)
            values.insert("postid", "21");
        if (!edit || builder == "publishPage")
            values.insert("blogid", "1");
        return values;
    }
    return {};
}

// Runs one builder; false when the driver has no such builder (no pages).
bool build(const QString& key, const QString& builder, bool edit, QVariantMap& objects,
           QStringList& keys, QString& method)
{
    PLUMETPluginProtocol* d = drivers().pluginForKey(key);
    PLUMETPageProtocol* pages = drivers().pageBuilderForKey(key);
    if (builder == "usersBlogs")
        d->xmlrpcUsersBlogsRequest(objects, keys, method);
    else if (builder == "userInfo")
        d->xmlrpcUserInfoRequest(objects, keys, method);
    else if (builder == "textFilters")
        d->xmlrpcSupportedTextFiltersRequest(objects, keys, method);
    else if (builder == "categoryList")
        d->xmlrpcCategoryListRequest(objects, keys, method);
    else if (builder == "entryList")
        d->xmlrpcEntryListRequest(objects, keys, method);
    else if (builder == "entryCategories")
        d->xmlrpcEntryCategoriesRequest(objects, keys, method);
    else if (builder == "postCategories")
        d->xmlrpcPostCategoriesRequest(objects, keys, method);
    else if (builder == "upload")
        d->xmlrpcUploadRequest(objects, keys, method);
    else if (builder == "publish")
        d->xmlrpcPublishRequest(objects, keys, method, edit, pluginSettings());
    else if (builder == "retrieve")
        d->xmlrpcRetrieveEntryRequest(objects, keys, method);
    else if (builder == "delete")
        d->xmlrpcDeleteEntryRequest(objects, keys, method);
    else if (!pages)
        return false;
    else if (builder == "pageList")
        pages->xmlrpcPageListRequest(objects, keys, method);
    else if (builder == "publishPage")
        pages->xmlrpcPublishPageRequest(objects, keys, method, edit, pluginSettings());
    else if (builder == "retrievePage")
        pages->xmlrpcRetrievePageRequest(objects, keys, method);
    else if (builder == "deletePage")
        pages->xmlrpcDeletePageRequest(objects, keys, method);
    return true;
}

struct Request {
    QString builder;
    bool edit;
    QStringList drivers;
    QString method;
    QStringList keys;
    QString golden; // file under plugins/requests; empty: nothing to send
};

const QStringList UP = {"username", "password"};

QList<Request> requests()
{
    return {
        {"usersBlogs", false, AllDrivers, "blogger.getUsersBlogs", QStringList{"appkey"} + UP,
         "usersBlogs.xml"},
        {"userInfo", false, AllDrivers, "blogger.getUserInfo", QStringList{"appkey"} + UP,
         "userInfo.xml"},
        {"textFilters",
         false,
         MovableTypeFamily,
         "mt.supportedTextFilters",
         {},
         "supportedTextFilters.xml"},
        {"textFilters", false, {"MetaWeblog"}, "", {}, ""},
        {"categoryList", false, MovableTypeFamily, "mt.getCategoryList", QStringList{"blogid"} + UP,
         "getCategoryList.xml"},
        {"categoryList",
         false,
         {"MetaWeblog"},
         "metaWeblog.getCategories",
         QStringList{"blogid"} + UP,
         "getCategories.xml"},
        {"entryList", false, AllDrivers, "metaWeblog.getRecentPosts",
         QStringList{"blogid"} + UP + QStringList{"numberOfPosts"}, "getRecentPosts.xml"},
        {"entryCategories", false, MovableTypeFamily, "mt.getPostCategories",
         QStringList{"postid"} + UP, "getPostCategories.xml"},
        {"entryCategories", false, {"MetaWeblog"}, "", {}, ""},
        {"postCategories", false, MovableTypeFamily, "mt.setPostCategories",
         QStringList{"postid"} + UP + QStringList{"categories"}, "setPostCategories.xml"},
        {"postCategories", false, {"MetaWeblog"}, "", {}, ""},
        {"upload", false, AllDrivers, "metaWeblog.newMediaObject",
         QStringList{"blogid"} + UP + QStringList{"file"}, "newMediaObject.xml"},
        {"publish",
         false,
         {"Wordpress"},
         "metaWeblog.newPost",
         QStringList{"blogid"} + UP + QStringList{"content", "publish"},
         "newPost-wordpress.xml"},
        {"publish",
         false,
         {"MovableType 4", "TypePad", "MovableType", "MetaWeblog"},
         "metaWeblog.newPost",
         QStringList{"blogid"} + UP + QStringList{"content", "publish"},
         "newPost.xml"},
        {"publish",
         true,
         {"Wordpress"},
         "metaWeblog.editPost",
         QStringList{"postid"} + UP + QStringList{"content", "publish"},
         "editPost-wordpress.xml"},
        {"publish",
         true,
         {"MovableType 4", "TypePad", "MovableType", "MetaWeblog"},
         "metaWeblog.editPost",
         QStringList{"postid"} + UP + QStringList{"content", "publish"},
         "editPost.xml"},
        {"retrieve", false, AllDrivers, "metaWeblog.getPost", QStringList{"postid"} + UP,
         "getPost.xml"},
        {"delete", false, AllDrivers, "blogger.deletePost",
         QStringList{"appkey", "postid"} + UP + QStringList{"publish"}, "deletePost.xml"},
        // The count goes too: without it WordPress lists ten pages only.
        {"pageList", false, PageDrivers, "wp.getPages",
         QStringList{"blogid"} + UP + QStringList{"numberOfPosts"}, "getPages.xml"},
        {"publishPage",
         false,
         {"Wordpress"},
         "wp.newPage",
         QStringList{"blogid"} + UP + QStringList{"content", "publish"},
         "newPage-wordpress.xml"},
        {"publishPage",
         false,
         {"MovableType 4", "TypePad"},
         "wp.newPage",
         QStringList{"blogid"} + UP + QStringList{"content", "publish"},
         "newPage-movabletype4.xml"},
        {"publishPage",
         true,
         {"Wordpress"},
         "wp.editPage",
         QStringList{"blogid", "page_id"} + UP + QStringList{"content", "publish"},
         "editPage-wordpress.xml"},
        {"publishPage",
         true,
         {"MovableType 4", "TypePad"},
         "wp.editPage",
         QStringList{"blogid", "page_id"} + UP + QStringList{"content", "publish"},
         "editPage-movabletype4.xml"},
        {"retrievePage", false, PageDrivers, "wp.getPage", QStringList{"blog_id", "page_id"} + UP,
         "getPage.xml"},
        {"deletePage", false, PageDrivers, "wp.deletePage",
         QStringList{"blogid"} + UP + QStringList{"page_id"}, "deletePage.xml"},
    };
}

} // namespace

class tst_XmlRpcDrivers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void capabilities_data();
    void capabilities();
    void goldenRequests_data();
    void goldenRequests();
    void onlyPageDriversOfferPages();
    void wordpressTagsBecomeKeywords_data();
    void wordpressTagsBecomeKeywords();
    void pageIdMoves();
    void correctEntryDictionary_data();
    void correctEntryDictionary();
    void wordpressGmtDateIsReadAsUtc_data();
    void wordpressGmtDateIsReadAsUtc();
    void wordpressPagesFromServer();
};

void tst_XmlRpcDrivers::initTestCase()
{
    QCOMPARE(drivers().loadErrors(), QStringList());
    for (const QString& key : AllDrivers)
        QVERIFY2(drivers().pluginForKey(key), qPrintable(key));
}

void tst_XmlRpcDrivers::capabilities_data()
{
    // The answers in the order: primary category, formats, extended field,
    // keywords field, summary field, comments, trackback, separate category
    // requests, upload directory. Every driver has categories, drafts and
    // uploads, and none treats categories as tags.
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<int>("tags");
    QTest::addColumn<QString>("protocolVersion");
    QTest::addColumn<QString>("description");

    QTest::newRow("Wordpress") << "Wordpress"
                               << "111011100" << 1 << "movabletype"
                               << "WordPress plugin using the MovableType API.";
    QTest::newRow("MovableType 4") << "MovableType 4"
                                   << "111111111" << 2 << "movabletype"
                                   << "Generic plugin for blog systems that support the "
                                      "MovableType 4.x API, which has built-in tag support.";
    QTest::newRow("TypePad") << "TypePad"
                             << "111111111" << 0 << "movabletype"
                             << "Plugin for TypePad blogs.";
    QTest::newRow("MovableType")
        << "MovableType"
        << "111111111" << 0 << "movabletype"
        << "Generic plugin for blog systems that support the MovableType API.";
    QTest::newRow("MetaWeblog")
        << "MetaWeblog"
        << "000000001" << 0 << "metaweblog"
        << "Generic plugin for blog systems that support the MetaWeblog API.";
}

void tst_XmlRpcDrivers::capabilities()
{
    QFETCH(QString, key);
    QFETCH(QString, flags);
    QFETCH(int, tags);
    QFETCH(QString, protocolVersion);
    QFETCH(QString, description);

    PLUMETPluginProtocol* d = drivers().pluginForKey(key);
    QVERIFY(d);
    const QString actual =
        QString::number(d->supportsPrimaryCategory()) + QString::number(d->hasFormats()) +
        QString::number(d->hasExtendedField()) + QString::number(d->hasKeywordsField()) +
        QString::number(d->hasSummaryField()) + QString::number(d->supportsComments()) +
        QString::number(d->supportsTrackback()) +
        QString::number(d->needsSeparateCategoryRequests()) +
        QString::number(d->canSpecifyUploadDirectory());
    QCOMPARE(actual, flags);
    QCOMPARE(d->supportsTags(), tags);
    QCOMPARE(d->protocolVersion(), protocolVersion);
    QCOMPARE(d->pluginDescription(), description);
    QVERIFY(d->hasCategories() && d->supportsDraft() && d->supportsUpload());
    QVERIFY(!d->treatCategoriesAsTags());
    QCOMPARE(d->supportedVersion(), 3);
    QCOMPARE(d->supportedProtocol(), int(PLUMETPluginProtocol::XmlRpc));
    QVERIFY(d->authenticationHeaders(QUrl("http://x/"), "u", "p").isEmpty());
    QVERIFY(!d->usersBlogs(QUrl("http://x/")));
    QVERIFY(d->atomPublishRequest(QUrl("http://x/"), content(), {}, false, {}).isNull());
}

void tst_XmlRpcDrivers::goldenRequests_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("builder");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("golden");
    for (const Request& r : requests()) {
        for (const QString& key : r.drivers) {
            const QString name = key + " " + r.builder + (r.edit ? " edit" : "");
            QTest::newRow(qPrintable(name))
                << key << r.builder << r.edit << r.method << r.keys << r.golden;
        }
    }
}

void tst_XmlRpcDrivers::goldenRequests()
{
    QFETCH(QString, key);
    QFETCH(QString, builder);
    QFETCH(bool, edit);
    QFETCH(QString, method);
    QFETCH(QStringList, keys);
    QFETCH(QString, golden);

    QVariantMap objects = hostValues(builder, edit);
    QStringList builtKeys;
    QString builtMethod;
    QVERIFY(build(key, builder, edit, objects, builtKeys, builtMethod));
    QCOMPARE(builtMethod, method);
    QCOMPARE(builtKeys, keys);

    XMLRPCEncoder encoder;
    encoder.setMethod(builtMethod);
    encoder.setObjects(objects);
    encoder.setKeys(builtKeys);
    const QByteArray document = encoder.document();
    if (golden.isEmpty()) {
        QVERIFY(document.isEmpty());
        return;
    }
    const QByteArray expected = plumet::test::readTestData("plugins/requests/" + golden);
    if (document != expected) {
        // Leave the bytes we made beside the build for a look.
        const QString actualPath = QDir::current().filePath("actual-" + golden);
        QFile actual(actualPath);
        if (actual.open(QIODevice::WriteOnly))
            actual.write(document);
        QFAIL(qPrintable("request differs from " + golden + "; ours is in " + actualPath));
    }
}

void tst_XmlRpcDrivers::onlyPageDriversOfferPages()
{
    for (const QString& key : AllDrivers)
        QCOMPARE(drivers().pageBuilderForKey(key) != nullptr, PageDrivers.contains(key));
}

void tst_XmlRpcDrivers::wordpressTagsBecomeKeywords_data()
{
    QTest::addColumn<QVariant>("tags");
    QTest::addColumn<QString>("keywords");
    QTest::newRow("tags") << QVariant("a,b") << "a,b";
    QTest::newRow("empty tags") << QVariant("") << "kw";
    QTest::newRow("no tags") << QVariant() << "kw";
}

void tst_XmlRpcDrivers::wordpressTagsBecomeKeywords()
{
    QFETCH(QVariant, tags);
    QFETCH(QString, keywords);
    for (const bool page : {false, true}) {
        QVariantMap c = content();
        c.remove("mt_tags");
        if (tags.isValid())
            c.insert("mt_tags", tags);
        QVariantMap objects{{"content", c}, {"blogid", "1"}};
        QStringList keys;
        QString method;
        if (page)
            drivers()
                .pageBuilderForKey("Wordpress")
                ->xmlrpcPublishPageRequest(objects, keys, method, false, {});
        else
            drivers()
                .pluginForKey("Wordpress")
                ->xmlrpcPublishRequest(objects, keys, method, false, {});
        const QVariantMap sent = objects.value("content").toMap();
        QCOMPARE(sent.value("mt_keywords").toString(), keywords);
        QVERIFY(!sent.contains("mt_tags"));
        // Without plug-in settings nothing else is added.
        QVERIFY(!sent.contains("wp_slug"));
    }
    // The Movable Type 4 driver sends its tags as they are.
    QVariantMap objects{{"content", content()}, {"blogid", "1"}};
    QStringList keys;
    QString method;
    drivers()
        .pluginForKey("MovableType 4")
        ->xmlrpcPublishRequest(objects, keys, method, false, pluginSettings());
    QCOMPARE(objects.value("content").toMap(), content());

    // A request without a post structure gets none made up from the settings.
    QVariantMap bare{{"blogid", "1"}};
    drivers()
        .pluginForKey("Wordpress")
        ->xmlrpcPublishRequest(bare, keys, method, false, pluginSettings());
    QVERIFY(!bare.contains("content"));
}

void tst_XmlRpcDrivers::pageIdMoves()
{
    PLUMETPageProtocol* pages = drivers().pageBuilderForKey("TypePad");
    QStringList keys;
    QString method;

    // A new page has no id: nothing is sent under "page_id".
    QVariantMap fresh = hostValues("publishPage", false);
    pages->xmlrpcPublishPageRequest(fresh, keys, method, false, pluginSettings());
    QVERIFY(!fresh.contains("page_id") && !fresh.contains("postid"));
    const QVariantMap pageContent = fresh.value("content").toMap();
    QCOMPARE(pageContent.value("wp_page_parent_id"), QVariant(3));
    QCOMPARE(pageContent.value("wp_page_order"), QVariant(2));
    QVERIFY(!pageContent.contains("wp_slug"));

    // Deleting a page sets an application key but sends four parameters.
    QVariantMap doomed = hostValues("deletePage", false);
    pages->xmlrpcDeletePageRequest(doomed, keys, method);
    QCOMPARE(doomed.value("appkey").toString(), QStringLiteral("ignore"));
    QCOMPARE(doomed.value("page_id").toString(), QStringLiteral("21"));
    QVERIFY(!doomed.contains("postid"));
    QCOMPARE(keys.size(), 4);

    // Reading a page always takes its id from "postid": a stale "page_id" goes.
    QVariantMap stale{{"blog_id", "1"}, {"page_id", "9"}};
    pages->xmlrpcRetrievePageRequest(stale, keys, method);
    QVERIFY(!stale.contains("page_id"));
}

void tst_XmlRpcDrivers::correctEntryDictionary_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<QVariantMap>("expected");

    const QVariantMap post{{"postid", "21"}, {"title", "T"}};
    const QVariantMap page{{"page_id", "5"}, {"title", "P"}};
    const QVariantMap pageWithPostId{{"page_id", "5"}, {"postid", "5"}, {"title", "P"}};
    for (const QString& key : AllDrivers) {
        QTest::addRow("%s list", qPrintable(key)) << key << QVariant(QVariantList{post}) << post;
        QTest::addRow("%s struct", qPrintable(key)) << key << QVariant(post) << post;
        QTest::addRow("%s empty list", qPrintable(key))
            << key << QVariant(QVariantList()) << QVariantMap();
        QTest::addRow("%s page", qPrintable(key))
            << key << QVariant(QVariantList{page})
            << (PageDrivers.contains(key) ? pageWithPostId : page);
    }
}

void tst_XmlRpcDrivers::correctEntryDictionary()
{
    QFETCH(QString, key);
    QFETCH(QVariant, answer);
    QFETCH(QVariantMap, expected);
    QCOMPARE(drivers().pluginForKey(key)->correctEntryDictionary(answer), expected);
}

void tst_XmlRpcDrivers::wordpressGmtDateIsReadAsUtc_data()
{
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QDateTime>("expected");
    // One date in summer time and one in winter time: adding today's offset
    // gets one of them wrong whatever today is.
    QTest::newRow("summer") << "20260701T10:00:00"
                            << QDateTime(QDate(2026, 7, 1), QTime(10, 0), QTimeZone::utc());
    QTest::newRow("winter") << "20260115T23:30:00"
                            << QDateTime(QDate(2026, 1, 15), QTime(23, 30), QTimeZone::utc());
    // Clock times that never happen or happen twice in local time still name one
    // UTC instant each.
    QTest::newRow("skipped local hour")
        << "20260329T02:30:00" << QDateTime(QDate(2026, 3, 29), QTime(2, 30), QTimeZone::utc());
    QTest::newRow("repeated local hour")
        << "20261025T02:30:00" << QDateTime(QDate(2026, 10, 25), QTime(2, 30), QTimeZone::utc());
}

void tst_XmlRpcDrivers::wordpressGmtDateIsReadAsUtc()
{
    QFETCH(QString, sent);
    QFETCH(QDateTime, expected);
    // The test means nothing where local time is UTC.
    QCOMPARE(QDateTime(QDate(2026, 7, 1), QTime(12, 0)).offsetFromUtc(), 7200);
    const QVariantMap answer{{"postid", "1"}, {"date_created_gmt", parseXMLRPCDate(sent)}};
    const QVariantMap entry = drivers().pluginForKey("Wordpress")->correctEntryDictionary(answer);
    QCOMPARE(entry.value("datecreated").toDateTime(), expected);
    // Other drivers don't read the field.
    QVERIFY(!drivers()
                 .pluginForKey("MovableType 4")
                 ->correctEntryDictionary(answer)
                 .contains("datecreated"));
}

void tst_XmlRpcDrivers::wordpressPagesFromServer()
{
    // WordPress 6.1's own answers, through the decoder.
    const DecodeResult post =
        XMLRPCDecoder::decode(plumet::test::readTestData("plugins/getPost.response.xml"));
    QVERIFY(!post.isFault());
    const QVariantMap entry =
        drivers().pluginForKey("Wordpress")->correctEntryDictionary(post.value());
    QCOMPARE(entry.value("postid").toString(), QStringLiteral("21"));
    QCOMPARE(entry.value("datecreated").toDateTime(),
             QDateTime(QDate(2026, 12, 1), QTime(10, 30), QTimeZone::utc()));

    const DecodeResult pages =
        XMLRPCDecoder::decode(plumet::test::readTestData("plugins/wp.getPages.response.xml"));
    QVERIFY(!pages.isFault());
    const QVariantList list = pages.value().toList();
    QVERIFY(!list.isEmpty());
    const QVariantMap page =
        drivers().pluginForKey("Wordpress")->correctEntryDictionary(list.first());
    QVERIFY(page.contains("page_id"));
    QCOMPARE(page.value("postid").toString(), page.value("page_id").toString());
    QCOMPARE(page.value("datecreated").toDateTime(),
             QDateTime(QDate(2026, 12, 9), QTime(21, 29, 54), QTimeZone::utc()));
}

QTEST_GUILESS_MAIN(tst_XmlRpcDrivers)
#include "tst_xmlrpcdrivers.moc"
