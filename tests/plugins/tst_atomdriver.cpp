#include "AtomDecoder.h"
#include "AtomDriver.h"
#include "PluginManager.h"
#include "StringExtensions.h"
#include "TestSupport.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimeZone>

namespace {

const QDateTime FixedTime(QDate(2007, 12, 31), QTime(23, 5, 7), QTimeZone::utc());

QByteArray nonceBytes()
{
    QByteArray bytes;
    for (char i = 0; i < 16; ++i)
        bytes += i;
    return bytes;
}

QString field(const QString& header, const QString& name)
{
    const QRegularExpression re(name + QStringLiteral("=\"([^\"]*)\""));
    return re.match(header).captured(1);
}

QString encodeXML(const QString& text)
{
    return rv::encodeXML(text);
}

} // namespace

class tst_AtomDriver : public QObject {
    Q_OBJECT

private slots:
    void wsseHeaders();
    void wsseNonceNeverRepeats();
    void noHeadersWithoutCredentials();
    void entryDocument();
    void entryDocumentEdgeCases();
    void blogListFromServiceDocument();
    void blogListFromFeed();
    void blogListFromAnythingElse();
    void bundleAnswers();
};

void tst_AtomDriver::wsseHeaders()
{
    AtomDriver atom;
    atom.setClock([] { return FixedTime; });
    atom.setNonceSource(&nonceBytes);
    const QVariantMap headers =
        atom.authenticationHeaders(QUrl("https://a.example/"), "joe", "secret");

    QCOMPARE(headers.size(), 2);
    QCOMPARE(headers.value("Authorization").toString(),
             QStringLiteral("WSSE profile=\"UsernameToken\""));
    QCOMPARE(
        headers.value("X-WSSE").toString(),
        QStringLiteral("UsernameToken Username=\"joe\", "
                       "PasswordDigest=\"p7b4abqfS/1ZMr+d7Q4RfJzzGZg=\", "
                       "Nonce=\"AAECAwQFBgcICQoLDA0ODw==\", Created=\"2007-12-31T23:05:07Z\""));
}

void tst_AtomDriver::wsseNonceNeverRepeats()
{
    // Two requests within one second carry the same Created but never the same nonce.
    AtomDriver atom;
    atom.setClock([] { return FixedTime; });
    QSet<QString> nonces;
    for (int i = 0; i < 50; ++i) {
        const QString token =
            atom.authenticationHeaders(QUrl(), "joe", "secret").value("X-WSSE").toString();
        QCOMPARE(field(token, "Created"), QStringLiteral("2007-12-31T23:05:07Z"));
        const QString nonce = field(token, "Nonce");
        QCOMPARE(QByteArray::fromBase64(nonce.toLatin1()).size(), 16);
        nonces.insert(nonce);
    }
    QCOMPARE(nonces.size(), 50);
}

void tst_AtomDriver::noHeadersWithoutCredentials()
{
    AtomDriver atom;
    QVERIFY(atom.authenticationHeaders(QUrl(), QString(), "secret").isEmpty());
    QVERIFY(atom.authenticationHeaders(QUrl(), "joe", QString()).isEmpty());
}

void tst_AtomDriver::entryDocument()
{
    AtomDriver atom;
    const QVariantMap data{
        {"publish", true},
        {"title", "Fish & <Chips>"},
        {"categories", QVariantList{"news", "Bob's"}},
        {"dateCreated", QDateTime(QDate(2026, 7, 1), QTime(12, 0), QTimeZone(7200))},
        {"description", "<p>Café</p>"},
        {"mt_allow_comments", 1},
    };
    const QString document =
        atom.atomPublishRequest(QUrl("https://a.example/post"), data, &encodeXML, false, {});
    QCOMPARE(document, QStringLiteral("<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n"
                                      "<entry xmlns='http://www.w3.org/2005/Atom' "
                                      "xmlns:app='http://purl.org/atom/app#'>\n"
                                      "<generator url='https://plumet.org/'>plumet</generator>\n"
                                      "<app:control><app:draft>no</app:draft></app:control>\n"
                                      "<title type='html'>Fish &amp; &lt;Chips&gt;</title>\n"
                                      "<category term='news' label='news' />\n"
                                      "<category term='Bob&apos;s' label='Bob&apos;s' />\n"
                                      "<updated>2026-07-01T10:00:00Z</updated>\n"
                                      "<content type='html'>&lt;p&gt;Café&lt;/p&gt;</content>\n"
                                      "</entry>"));
}

void tst_AtomDriver::entryDocumentEdgeCases()
{
    AtomDriver atom;
    const QString document = atom.atomPublishRequest(
        QUrl(), {{"title", ""}, {"categories", QVariantList()}, {"description", "x"}}, &encodeXML,
        true, {});
    QVERIFY(document.contains("<app:draft>yes</app:draft>"));
    QVERIFY(document.contains("<title type='html'> </title>\n"));
    QVERIFY(!document.contains("<category"));
    QVERIFY(!document.contains("<updated>"));
    QVERIFY(document.endsWith("</entry>"));
}

void tst_AtomDriver::blogListFromServiceDocument()
{
    const DecodeResult service =
        AtomDecoder::decode(plumet::test::readTestData("plugins/atom-service.xml"));
    QVERIFY(!service.isFault());
    AtomDriver atom;
    const QVariantList blogs = atom.processBloglist(service.value());
    QCOMPARE(blogs.size(), 4);

    const QStringList hrefs{
        "https://blog.example.org/atom/work/posts", "https://blog.example.org/atom/work/media/",
        "https://blog.example.org/atom/home/posts", "https://blog.example.org/atom/home/drafts"};
    const QStringList names{"Work posts", "Work media", "Home posts",
                            "https://blog.example.org/atom/home/drafts"};
    const QStringList urls{
        "https://blog.example.org/atom/work/", "https://blog.example.org/atom/work/",
        "https://blog.example.org/atom/home/", "https://blog.example.org/atom/home/"};
    for (int i = 0; i < blogs.size(); ++i) {
        const QVariantMap blog = blogs.at(i).toMap();
        QCOMPARE(blog.value("service.post").toString(), hrefs.at(i));
        QCOMPARE(blog.value("service.feed").toString(), hrefs.at(i));
        QCOMPARE(blog.value("blogname").toString(), names.at(i));
        QCOMPARE(blog.value("blogid").toString(), names.at(i));
        QCOMPARE(blog.value("url").toString(), urls.at(i));
        QCOMPARE(blog.contains("service.categories"), i == 0);
    }
}

void tst_AtomDriver::blogListFromFeed()
{
    const DecodeResult feed =
        AtomDecoder::decode(plumet::test::readTestData("plugins/atom-feed.xml"));
    QVERIFY(!feed.isFault());
    AtomDriver atom;
    const QVariantList blogs = atom.processBloglist(feed.value());
    QCOMPARE(blogs.size(), 1);
    const QVariantMap blog = blogs.first().toMap();
    QCOMPARE(blog.value("url").toString(), QStringLiteral("https://notes.example.org/"));
    QCOMPARE(blog.value("blogname").toString(), QStringLiteral("Notes & Pictures"));
    QCOMPARE(blog.value("service.post").toString(),
             QStringLiteral("https://notes.example.org/atom/post/blog_id=42"));
    QCOMPARE(blog.value("service.feed").toString(),
             QStringLiteral("https://notes.example.org/atom/feed/blog_id=42"));
    QCOMPARE(blog.value("blogid").toString(), QStringLiteral("blog_id=42"));
}

void tst_AtomDriver::blogListFromAnythingElse()
{
    AtomDriver atom;
    QVERIFY(atom.processBloglist(QVariant()).isEmpty());
    QVERIFY(atom.processBloglist(QVariantList{QVariantMap()}).isEmpty());
    QVERIFY(atom.processBloglist(QVariantMap{{"title", "x"}}).isEmpty());
    // A service document without collections has no blogs.
    QVERIFY(
        atom.processBloglist(QVariantMap{{"workspaces", QVariantList{QVariantMap()}}}).isEmpty());
    // A feed whose links match nothing still makes one (empty) blog.
    QCOMPARE(atom.processBloglist(QVariantMap{{"links", QVariantList()}}).size(), 1);
}

void tst_AtomDriver::bundleAnswers()
{
    PluginManager manager;
    manager.setUserFolder(QString());
    manager.loadPlugins();
    PLUMETPluginProtocol* atom = manager.pluginForKey("Atom 1.0");
    QVERIFY(atom);
    QCOMPARE(atom->supportedProtocol(), int(PLUMETPluginProtocol::Atom));
    QCOMPARE(atom->supportedVersion(), 0);
    QCOMPARE(atom->protocolVersion(), QStringLiteral("atom10"));
    QVERIFY(atom->treatCategoriesAsTags());
    QVERIFY(!atom->hasCategories() && !atom->supportsUpload() && !atom->supportsDraft());
    QCOMPARE(atom->supportsTags(), 0);
    QVERIFY(!manager.pageBuilderForKey("Atom 1.0"));
    const QUrl url("https://a.example/feed");
    QCOMPARE(atom->atomUsersBlogsRequest(url), url);
    QCOMPARE(atom->atomEntryListRequest(url), url);
    QVERIFY(atom->atomUploadRequest(url, {}, &encodeXML).isNull());
    const QVariantMap entry{{"title", "t"}};
    QCOMPARE(atom->correctEntryDictionary(entry), entry);
    QVariantMap objects{{"postid", "1"}};
    QStringList keys;
    QString method;
    atom->xmlrpcPublishRequest(objects, keys, method, true, {});
    QVERIFY(keys.isEmpty() && method.isEmpty());
    QCOMPARE(atom->pluginDescription(),
             QStringLiteral(
                 "Generic plugin for blog systems that support the Atom 1.0 publishing protocol."));
    // The bundle's own WSSE digest agrees with the shared library's.
    const QString token = atom->authenticationHeaders(url, "joe", "pw").value("X-WSSE").toString();
    const QByteArray nonce = QByteArray::fromBase64(field(token, "Nonce").toLatin1());
    QCOMPARE(field(token, "PasswordDigest"),
             rv::createWSSE(nonce + field(token, "Created").toUtf8() + QByteArray("pw")));
}

QTEST_GUILESS_MAIN(tst_AtomDriver)
#include "tst_atomdriver.moc"
