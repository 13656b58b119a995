#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "PLUMETPageProtocol.h"
#include "PLUMETPluginProtocol.h"
#include "PluginManager.h"
#include "RestExchange.h"
#include "ServerPostReader.h"
#include "WordPressServer.h"
#include "XMLRPCDecoder.h"
#include "XMLRPCEncoder.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QTimeZone>
#include <functional>

using namespace plumet::test;

// The XML-RPC road against a real WordPress: the WordPress driver shapes each
// request, the encoder writes it, RESTCall carries it over loopback and the
// decoder reads the answer, exactly as the application does.
namespace {

using namespace std::chrono_literals;
using Builder = std::function<void(QVariantMap&, QStringList&, QString&)>;

constexpr auto ExchangeLimit = 30s;

RestExchange::Result exchange(const QUrl& url, const QByteArray& method,
                              const QByteArray& body = {})
{
    RestExchange request(url, method, body, body.isEmpty() ? QByteArray() : "text/xml");
    request.limit = ExchangeLimit;
    return request.run();
}

QByteArray pngBytes()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 90));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QVariantMap findByMember(const QVariantList& list, const QString& member, const QVariant& value)
{
    for (const QVariant& item : list) {
        const QVariantMap map = item.toMap();
        if (map.value(member).toString() == value.toString())
            return map;
    }
    return {};
}

// The answer of one XML-RPC call, or why there is none.
struct Reply {
    QString problem;
    DecodeResult decoded;

    bool ok() const { return problem.isEmpty() && !decoded.isFault(); }
    QString why() const
    {
        return problem.isEmpty() ? QStringLiteral("fault %1: %2")
                                       .arg(decoded.faultCode().toString(), decoded.faultString())
                                 : problem;
    }
    QVariant value() const { return decoded.value(); }
};

} // namespace

#define REQUIRE_ANSWER(reply) QVERIFY2((reply).ok(), qPrintable((reply).why() + logs()))

class tst_WordPressPeer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void usersBlogs();
    void userInfo();
    void textFilters();
    void categories();
    void postLifecycle();
    void pageLifecycle();
    void mediaUpload();
    void changesMadeOnTheServer();
    void refusalIsAnAnswer_data();
    void refusalIsAnAnswer();

private:
    QVariantMap login(const QString& password = QString()) const;
    Reply call(const Builder& build, QVariantMap objects, bool convertUTC = false);
    Reply callMethod(const QString& method, const QStringList& keys, const QVariantMap& objects);
    QString logs() const { return QLatin1Char('\n') + server->logs(); }

    WordPressServer* server = nullptr;
    PluginManager drivers;
    PLUMETPluginProtocol* wordpress = nullptr;
    PLUMETPageProtocol* pages = nullptr;
    QString blogId;
    QString categoryId;
    const QString categoryName = QStringLiteral("Peer & Tests ü");
};

void tst_WordPressPeer::initTestCase()
{
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    wordpress = drivers.pluginForKey(QStringLiteral("Wordpress"));
    QVERIFY2(wordpress, qPrintable(drivers.loadErrors().join(QLatin1Char('\n'))));
    pages = drivers.pageBuilderForKey(QStringLiteral("Wordpress"));

    server = new WordPressServer(this);
    QElapsedTimer clock;
    clock.start();
    QVERIFY2(server->start(), qPrintable(server->problem()));
    qInfo("WordPress started in %lld ms", static_cast<long long>(clock.elapsed()));
}

void tst_WordPressPeer::cleanupTestCase()
{
    delete server;
    server = nullptr;
}

QVariantMap tst_WordPressPeer::login(const QString& password) const
{
    return {{QStringLiteral("username"), server->username()},
            {QStringLiteral("password"), password.isNull() ? server->password() : password}};
}

Reply tst_WordPressPeer::call(const Builder& build, QVariantMap objects, bool convertUTC)
{
    QStringList keys;
    QString method;
    build(objects, keys, method);
    if (method.isEmpty())
        return {QStringLiteral("The driver built no request"), {}};
    XMLRPCEncoder encoder;
    encoder.setMethod(method);
    encoder.setObjects(objects);
    encoder.setKeys(keys);
    encoder.setConvertUTC(convertUTC);
    const RestExchange::Result answer = exchange(server->xmlrpcUrl(), "POST", encoder.document());
    if (!answer.problem.isEmpty())
        return {method + QStringLiteral(": ") + answer.problem, {}};
    if (answer.status != 200)
        return {QStringLiteral("%1: HTTP status %2").arg(method).arg(answer.status), {}};
    return {{}, XMLRPCDecoder::decode(answer.body)};
}

Reply tst_WordPressPeer::callMethod(const QString& method, const QStringList& keys,
                                    const QVariantMap& objects)
{
    return call(
        [&](QVariantMap&, QStringList& k, QString& m) {
            k = keys;
            m = method;
        },
        objects);
}

void tst_WordPressPeer::usersBlogs()
{
    QVERIFY(!wordpress->usersBlogs(server->xmlrpcUrl()));
    const Reply reply = call([this](QVariantMap& o, QStringList& k,
                                    QString& m) { wordpress->xmlrpcUsersBlogsRequest(o, k, m); },
                             login());
    REQUIRE_ANSWER(reply);
    const QVariantList blogs = reply.value().toList();
    QCOMPARE(blogs.size(), 1);
    const QVariantMap blog = blogs.first().toMap();
    QCOMPARE(blog.value("blogname").toString(), server->blogTitle());
    QCOMPARE(blog.value("url").toString(), server->siteUrl().toString());
    QCOMPARE(blog.value("isAdmin").toBool(), true);
    blogId = blog.value("blogid").toString();
    QVERIFY(!blogId.isEmpty());
}

void tst_WordPressPeer::userInfo()
{
    const Reply reply = call([this](QVariantMap& o, QStringList& k,
                                    QString& m) { wordpress->xmlrpcUserInfoRequest(o, k, m); },
                             login());
    REQUIRE_ANSWER(reply);
    const QVariantMap user = reply.value().toMap();
    QCOMPARE(user.value("nickname").toString(), server->username());
    QCOMPARE(user.value("userid").toString(), QStringLiteral("1"));
    QVERIFY(user.contains("firstname") && user.contains("lastname"));
}

void tst_WordPressPeer::textFilters()
{
    QVERIFY(!wordpress->supportedTextFilters(server->xmlrpcUrl()));
    const Reply reply =
        call([this](QVariantMap& o, QStringList& k,
                    QString& m) { wordpress->xmlrpcSupportedTextFiltersRequest(o, k, m); },
             {});
    REQUIRE_ANSWER(reply);
    // WordPress offers no filters: an empty list, not a null answer.
    QCOMPARE(reply.value().typeId(), QMetaType::QVariantList);
}

void tst_WordPressPeer::categories()
{
    // The driver has no builder for new categories; WordPress's own call makes one.
    QVariantMap newCategory = login();
    newCategory.insert("blogid", blogId);
    newCategory.insert("category", QVariantMap{{"name", categoryName}, {"slug", "peer-tests"}});
    const Reply made =
        callMethod("wp.newCategory", {"blogid", "username", "password", "category"}, newCategory);
    REQUIRE_ANSWER(made);
    categoryId = made.value().toString();
    QVERIFY(categoryId.toInt() > 1);

    QVariantMap objects = login();
    objects.insert("blogid", blogId);
    const Reply reply = call([this](QVariantMap& o, QStringList& k,
                                    QString& m) { wordpress->xmlrpcCategoryListRequest(o, k, m); },
                             objects);
    REQUIRE_ANSWER(reply);
    const QVariantList list = reply.value().toList();
    QCOMPARE(findByMember(list, "categoryid", "1").value("categoryname").toString(),
             QStringLiteral("Uncategorized"));
    // WordPress stores "&" as "&amp;" and sends that, escaped once more, so
    // readers of its category names must decode entities.
    QCOMPARE(findByMember(list, "categoryid", categoryId).value("categoryname").toString(),
             QStringLiteral("Peer &amp; Tests ü"));
}

void tst_WordPressPeer::postLifecycle()
{
    QVERIFY2(!categoryId.isEmpty(), "needs the category made before");
    const QString title = QStringLiteral("It's Café & Crème — naïve 😀");
    const QString body = QStringLiteral("<p>Grüße aus Köln: 日本語, emoji 😀 &amp; more.</p>");
    const QDateTime date(QDate(2026, 7, 14), QTime(9, 45), QTimeZone::utc());
    const QVariantMap content{{"title", title},
                              {"description", body},
                              {"mt_text_more", QStringLiteral("Mehr Text ß")},
                              {"mt_excerpt", QStringLiteral("Kurz")},
                              {"mt_tags", "peer one,peer two"},
                              {"dateCreated", date},
                              {"mt_allow_comments", 1},
                              {"mt_allow_pings", 0},
                              {"categories", QVariantList{"Uncategorized"}}};
    auto publish = [this](bool edit, const QVariantMap& extra) {
        return [this, edit, extra](QVariantMap& o, QStringList& k, QString& m) {
            wordpress->xmlrpcPublishRequest(o, k, m, edit, extra);
        };
    };
    auto retrieve = [this](QVariantMap& o, QStringList& k, QString& m) {
        wordpress->xmlrpcRetrieveEntryRequest(o, k, m);
    };

    // New post; dates go out as UTC so the round trip is exact in any zone.
    QVariantMap objects = login();
    objects.insert({{"blogid", blogId}, {"publish", true}, {"content", content}});
    const Reply created = call(publish(false, {{"wp_slug", "peer-post"}}), objects, true);
    REQUIRE_ANSWER(created);
    const QString postId = created.value().toString();
    QVERIFY(postId.toInt() > 0);

    QVariantMap byId = login();
    byId.insert("postid", postId);
    Reply fetched = call(retrieve, byId);
    REQUIRE_ANSWER(fetched);
    QVariantMap post = wordpress->correctEntryDictionary(fetched.value());
    QCOMPARE(post.value("postid").toString(), postId);
    QCOMPARE(post.value("title").toString(), title);
    QCOMPARE(post.value("description").toString(), body);
    QCOMPARE(post.value("mt_text_more").toString(), QStringLiteral("Mehr Text ß"));
    QCOMPARE(post.value("mt_excerpt").toString(), QStringLiteral("Kurz"));
    QCOMPARE(post.value("wp_slug").toString(), QStringLiteral("peer-post"));
    QCOMPARE(post.value("post_status").toString(), QStringLiteral("publish"));
    QCOMPARE(post.value("datecreated").toDateTime(), date);
    const QStringList tags = post.value("mt_keywords").toString().split(QStringLiteral(", "));
    QCOMPARE(QSet<QString>(tags.begin(), tags.end()), QSet<QString>({"peer one", "peer two"}));

    // The model reads the real answer.
    Blog blog;
    const EntryPtr entry = ServerPostReader::entryFromPost(post, &blog, false);
    QVERIFY(entry);
    QCOMPARE(entry->title(), title);
    QCOMPARE(entry->entryDate(), date);
    QVERIFY(entry->body().contains(QStringLiteral("日本語, emoji 😀")));
    QVERIFY(entry->permaLink().startsWith(server->siteUrl().toString()));
    QVERIFY(entry->foundOnServer());

    // Categories of the post.
    QVariantMap setCategories = byId;
    setCategories.insert(
        "categories", QVariantList{QVariantMap{{"categoryId", categoryId}, {"isPrimary", true}}});
    const Reply categoriesSet =
        call([this](QVariantMap& o, QStringList& k,
                    QString& m) { wordpress->xmlrpcPostCategoriesRequest(o, k, m); },
             setCategories);
    REQUIRE_ANSWER(categoriesSet);
    QCOMPARE(categoriesSet.value().toBool(), true);
    const Reply categoriesGot =
        call([this](QVariantMap& o, QStringList& k,
                    QString& m) { wordpress->xmlrpcEntryCategoriesRequest(o, k, m); },
             byId);
    REQUIRE_ANSWER(categoriesGot);
    const QVariantList postCategories = categoriesGot.value().toList();
    QCOMPARE(postCategories.size(), 1);
    QCOMPARE(postCategories.first().toMap().value("categoryid").toString(), categoryId);

    // Edit: a new title comes back, the categories stay.
    QVariantMap edited = content;
    edited.insert("title", QStringLiteral("Edited: \"quotes\" <angle> & 'apostrophes'"));
    edited.insert("categories", QVariantList{categoryName});
    QVariantMap editObjects = byId;
    editObjects.insert({{"publish", true}, {"content", edited}});
    const Reply edit = call(publish(true, {}), editObjects, true);
    REQUIRE_ANSWER(edit);
    QCOMPARE(edit.value().toBool(), true);
    fetched = call(retrieve, byId);
    REQUIRE_ANSWER(fetched);
    post = wordpress->correctEntryDictionary(fetched.value());
    QCOMPARE(post.value("title").toString(), edited.value("title").toString());
    // Chosen by name; the model decodes the name WordPress sends back.
    const EntryPtr editedEntry = ServerPostReader::entryFromPost(post, &blog, false);
    QVERIFY(editedEntry);
    const CategoryList chosen = editedEntry->categories().value_or(CategoryList());
    QStringList categoryTitles;
    for (const auto& category : chosen)
        categoryTitles << category->title();
    QCOMPARE(categoryTitles, QStringList{categoryName});

    // Recent posts hold it.
    QVariantMap recentObjects = login();
    recentObjects.insert({{"blogid", blogId}, {"numberOfPosts", 10}});
    const Reply recent = call([this](QVariantMap& o, QStringList& k,
                                     QString& m) { wordpress->xmlrpcEntryListRequest(o, k, m); },
                              recentObjects);
    REQUIRE_ANSWER(recent);
    const QVariantMap listed = findByMember(recent.value().toList(), "postid", postId);
    QCOMPARE(listed.value("title").toString(), edited.value("title").toString());

    // Delete: WordPress moves the post to its trash.
    QVariantMap deleteObjects = byId;
    deleteObjects.insert("publish", true);
    const Reply deleted = call([this](QVariantMap& o, QStringList& k,
                                      QString& m) { wordpress->xmlrpcDeleteEntryRequest(o, k, m); },
                               deleteObjects);
    REQUIRE_ANSWER(deleted);
    QCOMPARE(deleted.value().toBool(), true);
    fetched = call(retrieve, byId);
    REQUIRE_ANSWER(fetched);
    QCOMPARE(fetched.value().toMap().value("post_status").toString(), QStringLiteral("trash"));
}

void tst_WordPressPeer::pageLifecycle()
{
    QVERIFY(pages);
    const QString title = QStringLiteral("About & Impressum — Über uns");
    const QVariantMap content{
        {"title", title},
        {"description", QStringLiteral("<p>Seite ü</p>")},
        {"dateCreated", QDateTime(QDate(2026, 1, 2), QTime(3, 4), QTimeZone::utc())}};
    QVariantMap objects = login();
    objects.insert({{"blogid", blogId}, {"publish", true}, {"content", content}});
    const Reply created = call(
        [this](QVariantMap& o, QStringList& k, QString& m) {
            pages->xmlrpcPublishPageRequest(o, k, m, false, {{"wp_page_order", 4}});
        },
        objects, true);
    REQUIRE_ANSWER(created);
    const QString pageId = created.value().toString();
    QVERIFY(pageId.toInt() > 0);

    QVariantMap byId = login();
    byId.insert({{"postid", pageId}, {"blog_id", blogId}});
    auto retrieve = [this](QVariantMap& o, QStringList& k, QString& m) {
        pages->xmlrpcRetrievePageRequest(o, k, m);
    };
    Reply fetched = call(retrieve, byId);
    REQUIRE_ANSWER(fetched);
    QVariantMap page = wordpress->correctEntryDictionary(fetched.value());
    QCOMPARE(page.value("postid").toString(), pageId);
    QCOMPARE(page.value("title").toString(), title);
    QCOMPARE(page.value("wp_page_order").toInt(), 4);

    QVariantMap editObjects = byId;
    editObjects.insert({{"blogid", blogId}, {"publish", true}});
    QVariantMap edited = content;
    edited.insert("title", QStringLiteral("Renamed page"));
    editObjects.insert("content", edited);
    const Reply edit =
        call([this](QVariantMap& o, QStringList& k,
                    QString& m) { pages->xmlrpcPublishPageRequest(o, k, m, true, {}); },
             editObjects, true);
    REQUIRE_ANSWER(edit);

    QVariantMap listObjects = login();
    listObjects.insert("blogid", blogId);
    const Reply list = call([this](QVariantMap& o, QStringList& k,
                                   QString& m) { pages->xmlrpcPageListRequest(o, k, m); },
                            listObjects);
    REQUIRE_ANSWER(list);
    QCOMPARE(findByMember(list.value().toList(), "page_id", pageId).value("title").toString(),
             QStringLiteral("Renamed page"));

    QVariantMap deleteObjects = login();
    deleteObjects.insert({{"postid", pageId}, {"blogid", blogId}, {"publish", true}});
    const Reply deleted = call([this](QVariantMap& o, QStringList& k,
                                      QString& m) { pages->xmlrpcDeletePageRequest(o, k, m); },
                               deleteObjects);
    REQUIRE_ANSWER(deleted);
    QCOMPARE(deleted.value().toBool(), true);
}

void tst_WordPressPeer::mediaUpload()
{
    const QByteArray png = pngBytes();
    QVERIFY(!png.isEmpty());
    QVariantMap objects = login();
    objects.insert(
        {{"blogid", blogId},
         {"file", QVariantMap{{"bits", png}, {"type", "image/png"}, {"name", "peer dot.png"}}}});
    const Reply uploaded = call([this](QVariantMap& o, QStringList& k,
                                       QString& m) { wordpress->xmlrpcUploadRequest(o, k, m); },
                                objects);
    REQUIRE_ANSWER(uploaded);
    const QUrl address(uploaded.value().toMap().value("url").toString());
    QVERIFY2(address.toString().startsWith(server->siteUrl().toString()),
             qPrintable(address.toString()));
    QVERIFY(address.path().endsWith(QLatin1String(".png")));

    const RestExchange::Result fetched = exchange(address, "GET");
    QVERIFY2(fetched.problem.isEmpty(), qPrintable(fetched.problem + logs()));
    QCOMPARE(fetched.status, 200);
    QCOMPARE(fetched.body, png);
}

// Tests can change the blog behind the client's back, and fast.
void tst_WordPressPeer::changesMadeOnTheServer()
{
    QString output;
    QVERIFY2(server->runInWordPress(
                 QStringLiteral("for ($i = 1; $i <= 25; ++$i)\n"
                                "    wp_insert_post(['post_title' => \"Made here $i\",\n"
                                "                    'post_status' => 'publish']);\n"
                                "echo wp_count_posts()->publish;\n"),
                 &output),
             qPrintable(server->problem()));
    const int published = output.trimmed().toInt();
    QVERIFY2(published >= 25, qPrintable(output));

    QVariantMap objects = login();
    objects.insert({{"blogid", blogId}, {"numberOfPosts", 100}});
    const Reply recent = call([this](QVariantMap& o, QStringList& k,
                                     QString& m) { wordpress->xmlrpcEntryListRequest(o, k, m); },
                              objects);
    REQUIRE_ANSWER(recent);
    QCOMPARE(recent.value().toList().size(), published);
    QVERIFY(!findByMember(recent.value().toList(), "title", "Made here 25").isEmpty());

    QVERIFY(!server->runInWordPress(QStringLiteral("this is not PHP")));
}

void tst_WordPressPeer::refusalIsAnAnswer_data()
{
    QTest::addColumn<QString>("builder");
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const QString badLogin = QStringLiteral("Incorrect username or password.");
    QTest::newRow("blogs, wrong password")
        << "usersBlogs" << QString() << "not the password" << 403 << badLogin;
    QTest::newRow("categories, wrong password")
        << "categoryList" << QString() << "not the password" << 403 << badLogin;
    QTest::newRow("blogs, unknown user") << "usersBlogs"
                                         << "nobody" << QString() << 403 << badLogin;
    QTest::newRow("unknown post") << "retrieve" << QString() << QString() << 404
                                  << QStringLiteral("Invalid post ID.");
}

// A refusal arrives as an ordinary answer whose decoded fault carries the
// server's code and text.
void tst_WordPressPeer::refusalIsAnAnswer()
{
    QFETCH(QString, builder);
    QFETCH(QString, username);
    QFETCH(QString, password);
    QFETCH(int, code);
    QFETCH(QString, text);
    QVariantMap objects = login(password);
    if (!username.isEmpty())
        objects.insert("username", username);
    objects.insert({{"blogid", blogId}, {"postid", "999999"}});
    const Reply reply = call(
        [&](QVariantMap& o, QStringList& k, QString& m) {
            if (builder == QLatin1String("usersBlogs"))
                wordpress->xmlrpcUsersBlogsRequest(o, k, m);
            else if (builder == QLatin1String("categoryList"))
                wordpress->xmlrpcCategoryListRequest(o, k, m);
            else
                wordpress->xmlrpcRetrieveEntryRequest(o, k, m);
        },
        objects);
    QVERIFY2(reply.problem.isEmpty(), qPrintable(reply.problem));
    QVERIFY(reply.decoded.isServerFault());
    QCOMPARE(reply.decoded.faultCode().toInt(), code);
    QCOMPARE(reply.decoded.faultString(), text);
}

QTEST_MAIN(tst_WordPressPeer)
#include "tst_wordpresspeer.moc"
