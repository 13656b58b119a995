#include "WebContent.h"
#include "WebContentSchemeHandler.h"
#include "WebContentView.h"

#include <QDesktopServices>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineScript>

namespace {

constexpr int PageTimeout = 30000;

// Catches what would go to the desktop's browser.
class BrowserCatcher : public QObject {
    Q_OBJECT
public:
    BrowserCatcher()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~BrowserCatcher() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

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
                 int timeout = PageTimeout)
{
    QSignalSpy ready(view.contentPage(), &WebContentPage::documentReady);
    view.showDocument(html, kind);
    return ready.wait(timeout);
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
    QVERIFY(showAndWait(*m_view, html, WebContentPage::Content::Post, 6 * PageTimeout));
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
    QVERIFY(QTest::qWaitFor([&] { return !browser.opened.isEmpty(); }, PageTimeout));
    QCOMPARE(browser.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/post"))});
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
    QVERIFY(browser.opened.isEmpty());
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

QTEST_MAIN(tst_WebContentView)
#include "tst_webcontentview.moc"
