#include "BrowserCatcher.h"
#include "HostileSite.h"
#include "TestHttpServer.h"
#include "WebContent.h"
#include "WebContentSchemeHandler.h"
#include "WebContentView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>

using plumet::test::BrowserCatcher;

namespace {

constexpr int PageTimeout = 30000;

// Runs `script` in `world` and waits for its value.
QVariant evaluate(WebContentView& view, const QString& script,
                  quint32 world = QWebEngineScript::ApplicationWorld)
{
    QVariant result;
    bool done = false;
    view.page()->runJavaScript(script, world, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, PageTimeout))
        qWarning() << "no answer to" << script;
    return result;
}

bool showAndWait(WebContentView& view, const QString& html,
                 WebContentPage::Content kind = WebContentPage::Content::Post,
                 const WebContentPage::ShowOptions& options = {}, int timeout = PageTimeout)
{
    QSignalSpy ready(view.contentPage(), &WebContentPage::documentReady);
    view.showDocument(html, kind, options);
    return ready.wait(timeout);
}

// Shows `html` and waits until it has loaded whole (images and all).
bool showAndLoad(WebContentView& view, const QString& html,
                 const WebContentPage::ShowOptions& options = {})
{
    QSignalSpy loaded(view.page(), &QWebEnginePage::loadFinished);
    view.showDocument(html, WebContentPage::Content::Post, options);
    return loaded.wait(PageTimeout) && loaded.last().value(0).toBool();
}

QString longDocument()
{
    QString html = QStringLiteral("<body>");
    for (int i = 0; i < 300; ++i)
        html += QStringLiteral("<p>paragraph %1</p>").arg(i);
    return html + QStringLiteral("</body>");
}

} // namespace

class tst_WebContentView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void servesLargeDocumentsFromMemory();
    void postContentRunsNoScriptOfItsOwn();
    void ownPagesAreNotRestricted();
    void bridgeLivesInOurWorldOnly();
    void callsWaitForTheDocumentAndDropStaleAnswers();
    void linksGoToTheBrowser_data();
    void linksGoToTheBrowser();
    void contentCannotNavigateTheViewAway();
    void documentsAreForgottenWithTheirPage();
    void noContextMenu();
    void baseAddressIsHttpOnly_data();
    void baseAddressIsHttpOnly();
    void blockedViewsRunNoScriptOfTheirDocuments();
    void theReaderKeepsHisPlaceWhenAsked();
    void altClickAsksWhereToSaveTheLinkedFile();
    void nothingDownloadsWithoutTheGesture();
    void aHostilePostRunsNothingInAnyFrame();
    void linksOfOtherSchemesStayHere_data();
    void linksOfOtherSchemesStayHere();

private:
    std::unique_ptr<WebContentView> m_view;
};

void tst_WebContentView::initTestCase()
{
    m_view = std::make_unique<WebContentView>();
    m_view->resize(600, 400);
    m_view->show();
}

void tst_WebContentView::servesLargeDocumentsFromMemory()
{
    // Well past the 2 MB that setHtml cannot take.
    QString html = QStringLiteral("<p id=last>");
    html += QString(3 * 1024 * 1024, QLatin1Char('x'));
    html += QStringLiteral("</p><p>end of a long post</p>");
    // Laying out three megabytes of one word takes the engine many seconds,
    // the more so on a loaded machine.
    QVERIFY(showAndWait(*m_view, html, WebContentPage::Content::Post, {}, 6 * PageTimeout));
    QCOMPARE(evaluate(*m_view, QStringLiteral("document.getElementById('last').textContent.length"))
                 .toInt(),
             3 * 1024 * 1024);
    QCOMPARE(m_view->url().scheme(), WebContent::schemeName());
}

void tst_WebContentView::postContentRunsNoScriptOfItsOwn()
{
    QVERIFY(showAndWait(*m_view,
                        QStringLiteral("<!DOCTYPE html><html><head>"
                                       "<meta http-equiv='Content-Security-Policy' "
                                       "content=\"script-src 'unsafe-inline'\">"
                                       "<script>document.title = 'inline ran';</script></head>"
                                       "<body><img src='data:,' onerror=\"document.title='handler "
                                       "ran'\"><a id=js href=\"javascript:document.title='link "
                                       "ran'\">x</a><p>words</p></body></html>")));
    // A content policy of its own cannot loosen ours.
    QTest::qWait(200);
    QCOMPARE(evaluate(*m_view, QStringLiteral("document.title")).toString(), QString());
    QCOMPARE(evaluate(*m_view, QStringLiteral("document.compatMode")).toString(),
             QStringLiteral("CSS1Compat"));
    // Our own world still works under the policy.
    QVERIFY(evaluate(*m_view, QStringLiteral("plumet.text()")).toString().contains("words"));
}

void tst_WebContentView::ownPagesAreNotRestricted()
{
    QVERIFY(showAndWait(*m_view,
                        QStringLiteral("<script>document.title = 'ours ran';</script><p>ours</p>"),
                        WebContentPage::Content::OwnPage));
    QCOMPARE(
        evaluate(*m_view, QStringLiteral("document.title"), QWebEngineScript::MainWorld).toString(),
        QStringLiteral("ours ran"));
}

void tst_WebContentView::bridgeLivesInOurWorldOnly()
{
    QVERIFY(
        showAndWait(*m_view, QStringLiteral("<p>content</p>"), WebContentPage::Content::OwnPage));
    QCOMPARE(evaluate(*m_view, QStringLiteral("typeof qt + ' ' + typeof plumet"),
                      QWebEngineScript::MainWorld)
                 .toString(),
             QStringLiteral("undefined undefined"));
    QCOMPARE(evaluate(*m_view, QStringLiteral("typeof qt.webChannelTransport + ' ' + "
                                              "typeof plumet.bridge.pageReady"))
                 .toString(),
             QStringLiteral("object function"));
}

void tst_WebContentView::callsWaitForTheDocumentAndDropStaleAnswers()
{
    WebContentPage* page = m_view->contentPage();
    // Asked before the document is ready: answered by that document.
    page->showDocument(QStringLiteral("<p>first</p>"));
    QVERIFY(!page->isReady());
    QString first;
    page->callFunction(QStringLiteral("text"), {},
                       [&](const QVariant& v) { first = v.toString(); });
    QVERIFY(QTest::qWaitFor([&] { return !first.isEmpty(); }, PageTimeout));
    QCOMPARE(first.trimmed(), QStringLiteral("first"));

    // Asked of a document that is replaced before it answers: never answered.
    int staleAnswers = 0;
    page->callFunction(QStringLiteral("text"), {}, [&](const QVariant&) { ++staleAnswers; });
    QSignalSpy replaced(page, &WebContentPage::documentReplaced);
    QVERIFY(showAndWait(*m_view, QStringLiteral("<p>second</p>")));
    QCOMPARE(replaced.count(), 1);
    QString second;
    page->callFunction(QStringLiteral("text"), {},
                       [&](const QVariant& v) { second = v.toString(); });
    QVERIFY(QTest::qWaitFor([&] { return !second.isEmpty(); }, PageTimeout));
    QCOMPARE(second.trimmed(), QStringLiteral("second"));
    QTest::qWait(200);
    QCOMPARE(staleAnswers, 0);
}

void tst_WebContentView::linksGoToTheBrowser_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("a link") << QString();
    QTest::newRow("a link to a new window") << QStringLiteral("target=_blank");
}

void tst_WebContentView::linksGoToTheBrowser()
{
    QFETCH(QString, target);
    BrowserCatcher browser;
    QVERIFY(showAndWait(*m_view, QStringLiteral("<body style='margin:0'>"
                                                "<a href='https://example.org/post' %1 "
                                                "style='display:block;width:200px;height:50px'>"
                                                "a link</a><p id=in>here</p></body>")
                                     .arg(target)));
    const QUrl shown = m_view->url();
    QWidget* surface = m_view->focusProxy();
    QVERIFY(surface);
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(QTest::qWaitFor([&] { return !browser.opened().isEmpty(); }, PageTimeout));
    QCOMPARE(browser.opened(), QList<QUrl>{QUrl(QStringLiteral("https://example.org/post"))});
    QTest::qWait(200);
    QCOMPARE(m_view->url(), shown);
    QCOMPARE(
        evaluate(*m_view, QStringLiteral("document.getElementById('in').textContent")).toString(),
        QStringLiteral("here"));
}

void tst_WebContentView::contentCannotNavigateTheViewAway()
{
    BrowserCatcher browser;
    QVERIFY(showAndWait(*m_view, QStringLiteral("<meta http-equiv=refresh "
                                                "content='0; url=https://example.org/away'>"
                                                "<p id=here>still here</p>")));
    const QUrl shown = m_view->url();
    QTest::qWait(1500);
    QCOMPARE(m_view->url(), shown);
    QVERIFY(browser.opened().isEmpty());
    QCOMPARE(
        evaluate(*m_view, QStringLiteral("document.getElementById('here').textContent")).toString(),
        QStringLiteral("still here"));
}

void tst_WebContentView::documentsAreForgottenWithTheirPage()
{
    WebContentSchemeHandler* handler = WebContent::schemeHandler();
    QUrl first, second;
    {
        WebContentView view;
        QVERIFY(showAndWait(view, QStringLiteral("<p>one</p>")));
        first = view.url();
        QVERIFY(handler->hasDocument(first));
        QVERIFY(showAndWait(view, QStringLiteral("<p>two</p>")));
        second = view.url();
        QVERIFY(!handler->hasDocument(first));
        QVERIFY(handler->hasDocument(second));
    }
    QVERIFY(!handler->hasDocument(second));
}

void tst_WebContentView::noContextMenu()
{
    QCOMPARE(m_view->contextMenuPolicy(), Qt::NoContextMenu);
}

void tst_WebContentView::baseAddressIsHttpOnly_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("resolved");
    QTest::newRow("http") << "http://example.org/2024/post/"
                          << "http://example.org/2024/post/x";
    QTest::newRow("https") << "https://example.org/a?b=1&c=\"2\""
                           << "https://example.org/x";
    QTest::newRow("ftp") << "ftp://example.org/" << QString();
    QTest::newRow("javascript") << "javascript:alert(1)" << QString();
    QTest::newRow("file") << "file:///etc/" << QString();
    QTest::newRow("none") << QString() << QString();
}

void tst_WebContentView::baseAddressIsHttpOnly()
{
    QFETCH(QString, base);
    QFETCH(QString, resolved);
    WebContentPage::ShowOptions options;
    options.baseUrl = QUrl(base);
    // The content's own base comes too late to count.
    QVERIFY(showAndWait(*m_view,
                        QStringLiteral("<html><head><base href='http://elsewhere.example/'>"
                                       "</head><body><a id=a href='x'>x</a></body></html>"),
                        WebContentPage::Content::Post, options));
    const QString href =
        evaluate(*m_view, QStringLiteral("document.getElementById('a').href")).toString();
    if (resolved.isEmpty())
        QCOMPARE(href, QStringLiteral("http://elsewhere.example/x"));
    else
        QCOMPARE(href, resolved);
    QCOMPARE(m_view->url().scheme(), WebContent::schemeName());
}

void tst_WebContentView::blockedViewsRunNoScriptOfTheirDocuments()
{
    WebContentView view;
    view.resize(400, 300);
    view.show();
    view.contentPage()->setBlocksContentScripts(true);
    QVERIFY(view.contentPage()->blocksContentScripts());
    // Even a page of ours, which has no content policy, runs none of its script.
    QVERIFY(showAndWait(view,
                        QStringLiteral("<body onload=\"document.title='onload ran'\">"
                                       "<script>document.title='inline ran'</script>"
                                       "<img src='data:,' onerror=\"document.title='handler'\">"
                                       "<svg><script>document.title='svg ran'</script></svg>"
                                       "<p>words</p></body>"),
                        WebContentPage::Content::OwnPage));
    QTest::qWait(300);
    // Our world reads the document; nothing of the document wrote to it.
    QCOMPARE(evaluate(view, QStringLiteral("document.title")).toString(), QString());
    QVERIFY(evaluate(view, QStringLiteral("plumet.text()")).toString().contains("words"));
}

void tst_WebContentView::theReaderKeepsHisPlaceWhenAsked()
{
    QVERIFY(showAndLoad(*m_view, longDocument()));
    evaluate(*m_view, QStringLiteral("window.scrollTo(0, 900); true"));
    QTRY_COMPARE_WITH_TIMEOUT(m_view->page()->scrollPosition().y(), 900.0, PageTimeout);

    WebContentPage::ShowOptions keep;
    keep.keepScrollPosition = true;
    QVERIFY(showAndLoad(*m_view, longDocument(), keep));
    QTRY_COMPARE_WITH_TIMEOUT(m_view->page()->scrollPosition().y(), 900.0, PageTimeout);
    // Replaced twice before the first has loaded: the place is still the reader's.
    m_view->showDocument(longDocument(), WebContentPage::Content::Post, keep);
    QVERIFY(showAndLoad(*m_view, longDocument(), keep));
    QTRY_COMPARE_WITH_TIMEOUT(m_view->page()->scrollPosition().y(), 900.0, PageTimeout);

    // A document shown plainly opens at the top.
    QVERIFY(showAndLoad(*m_view, longDocument()));
    QTest::qWait(200);
    QCOMPARE(m_view->page()->scrollPosition().y(), 0.0);
}

namespace {

QFileDialog* saveDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

QStringList downloadedFiles()
{
    return QDir(WebContent::downloadFolder()).entryList(QDir::Files);
}

} // namespace

void tst_WebContentView::altClickAsksWhereToSaveTheLinkedFile()
{
    using plumet::test::TestHttpServer;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler([](const TestHttpServer::Request&) {
        return TestHttpServer::Response::ok("the file's bytes", "application/zip");
    });
    // Never the real home folder.
    QVERIFY(WebContent::downloadFolder().startsWith(QDir::homePath()));
    QVERIFY(QDir::homePath() != QStringLiteral("/root"));
    QTemporaryDir chosen(QDir::home().filePath(QStringLiteral("chosen-XXXXXX")));
    QVERIFY(chosen.isValid());

    WebContentView view;
    view.setOffersDownloads(true);
    view.resize(400, 300);
    view.show();
    BrowserCatcher browser;
    QVERIFY(showAndWait(view, QStringLiteral("<body style='margin:0'>"
                                             "<a href='%1' style='display:block;width:200px;"
                                             "height:50px'>a file</a></body>")
                                  .arg(server.url(QStringLiteral("/file.zip")).toString())));
    QTest::mouseClick(view.focusProxy(), Qt::LeftButton, Qt::AltModifier, QPoint(20, 20));
    QTRY_VERIFY_WITH_TIMEOUT(saveDialog(), PageTimeout);
    QFileDialog* dialog = saveDialog();
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    // Nothing is fetched before the user has said where.
    QVERIFY(server.requests().isEmpty());
    QVERIFY(dialog->selectedFiles().value(0).endsWith(QLatin1String("/file.zip")));
    const QString saved = chosen.filePath(QStringLiteral("kept.zip"));
    // The user types a place of his own.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(saved);
    QMetaObject::invokeMethod(dialog, "accept");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(saved) && QFileInfo(saved).size() == 16, PageTimeout);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("the file's bytes"));
    QVERIFY(browser.opened().isEmpty());
    QVERIFY(downloadedFiles().isEmpty());
}

void tst_WebContentView::nothingDownloadsWithoutTheGesture()
{
    using plumet::test::TestHttpServer;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler([](const TestHttpServer::Request&) {
        TestHttpServer::Response file =
            TestHttpServer::Response::ok("the file's bytes", "application/zip");
        file.headers.append(qMakePair(QByteArray("Content-Disposition"),
                                      QByteArray("attachment; filename=\"framed.zip\"")));
        return file;
    });
    QList<QWebEngineDownloadRequest*> asked;
    const auto watch = connect(WebContent::profile(), &QWebEngineProfile::downloadRequested, this,
                               [&asked](QWebEngineDownloadRequest* d) { asked << d; });
    const auto unwatch = qScopeGuard([watch] { disconnect(watch); });

    // A post that frames a file, shown twice, in a view that offers downloads.
    WebContentView view;
    view.setOffersDownloads(true);
    view.show();
    const QString post = QStringLiteral("<p>words</p><iframe src='%1'></iframe>")
                             .arg(server.url(QStringLiteral("/framed.zip")).toString());
    for (int shown = 1; shown <= 2; ++shown) {
        QVERIFY(showAndLoad(view, post));
        QTRY_COMPARE_WITH_TIMEOUT(asked.size(), shown, PageTimeout);
        QCOMPARE(asked.last()->state(), QWebEngineDownloadRequest::DownloadCancelled);
    }
    // An Alt-click in a view that does not offer downloads asks nothing either.
    QVERIFY(showAndWait(*m_view, QStringLiteral("<body style='margin:0'>"
                                                "<a href='%1' style='display:block;width:200px;"
                                                "height:50px'>a file</a></body>")
                                     .arg(server.url(QStringLiteral("/linked.zip")).toString())));
    const qsizetype before = server.requests().size();
    QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, Qt::AltModifier, QPoint(20, 20));
    QTest::qWait(1000);
    QVERIFY(!saveDialog());
    QCOMPARE(server.requests().size(), before);
    QCOMPARE(asked.size(), 2);
    QVERIFY(downloadedFiles().isEmpty());
}

void tst_WebContentView::aHostilePostRunsNothingInAnyFrame()
{
    plumet::test::HostileSite site;
    QVERIFY(site.listen());
    BrowserCatcher browser;
    // An own page runs its scripts, unless blocked; post content never does.
    QVERIFY(showAndLoad(*m_view, site.post()));
    QTRY_VERIFY_WITH_TIMEOUT(site.picturesAsked(), PageTimeout);
    // What a script would ask for comes about as soon as the pictures.
    QTest::qWait(1000);
    QVERIFY2(site.forbiddenAsked().isEmpty(), qPrintable(site.forbiddenAsked().join(", ")));
    QVERIFY(browser.opened().isEmpty());
    QVERIFY(downloadedFiles().isEmpty());
    QCOMPARE(evaluate(*m_view, QStringLiteral("document.images[0].naturalWidth")).toInt(), 1);
}

void tst_WebContentView::linksOfOtherSchemesStayHere_data()
{
    QTest::addColumn<QString>("href");
    QTest::newRow("smb") << "smb://server/share/run.desktop";
    QTest::newRow("a program's own") << "x-launch://do?it=1";
    QTest::newRow("file") << "file:///etc/passwd";
}

void tst_WebContentView::linksOfOtherSchemesStayHere()
{
    QFETCH(QString, href);
    BrowserCatcher desktop({"smb", "x-launch", "file", "http", "https"});
    QMainWindow window;
    auto* bar = new QStatusBar;
    window.setStatusBar(bar);
    auto* view = new WebContentView;
    window.setCentralWidget(view);
    window.resize(500, 300);
    window.show();
    QVERIFY(showAndWait(*view, QStringLiteral("<body style='margin:0'><a href='%1' "
                                              "style='display:block;width:200px;height:50px'>"
                                              "a link</a></body>")
                                   .arg(href)));
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(20, 20));
    // The engine hands such a link to us, or refuses it itself: either way it stays.
    QTest::qWait(1000);
    QVERIFY(desktop.opened().isEmpty());
    if (!bar->currentMessage().isEmpty())
        QVERIFY(bar->currentMessage().contains(QLatin1String("was not opened")));
}

QTEST_MAIN(tst_WebContentView)
#include "tst_webcontentview.moc"
