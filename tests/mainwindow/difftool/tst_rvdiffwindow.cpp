#include "Account.h"
#include "Blog.h"
#include "DarkPalette.h"
#include "Entry.h"
#include "HostileSite.h"
#include "RVDiffArrayController.h"
#include "RVDiffTool.h"
#include "RVDiffWindow.h"
#include "ScreenshotSaver.h"
#include "UserDefaults.h"
#include "WebContentView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTimeZone>
#include <QTreeView>
#include <QWebEngineScript>

namespace {

constexpr int PageTimeout = 30000;

// Markup that runs script in every way a page can, under a policy of its own
// that would allow it. Each way leaves a mark: an attribute on the root and
// the page title.
const QString hostile = QStringLiteral(
    "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src * 'unsafe-inline'\">"
    "<script>document.documentElement.setAttribute('data-ran', 'script');"
    "document.title = 'ran';</script>"
    "<img src=\"missing.png\" onerror=\"document.documentElement.setAttribute('data-ran', "
    "'onerror'); document.title = 'ran'\">"
    "<svg onload=\"document.documentElement.setAttribute('data-ran', 'svg')\"></svg>"
    "<iframe srcdoc=\"<script>parent.document.documentElement.setAttribute('data-ran', "
    "'iframe')</script>\"></iframe>"
    "<p>Text of the server</p>");

// Whether a script left its mark on the document's root.
bool marked(const QString& markup)
{
    static const QRegularExpression mark(QStringLiteral("<html[^>]*\\bdata-ran"));
    return markup.contains(mark);
}

// The page's document as the engine holds it now.
QString pageMarkup(WebContentView& view)
{
    QString markup;
    bool done = false;
    view.page()->toHtml([&](const QString& html) {
        markup = html;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, PageTimeout))
        qWarning("the page did not answer");
    return markup;
}

bool waitForLoad(WebContentView& view, const std::function<void()>& start)
{
    QSignalSpy loaded(view.page(), &QWebEnginePage::loadFinished);
    start();
    return loaded.wait(PageTimeout) && loaded.constLast().constFirst().toBool();
}

} // namespace

class tst_RVDiffWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void bothTabsShowTheDifferences();
    void noScriptOrHandlerOfTheServerRuns();
    void aHostilePostAsksForNothing();
    void comesForwardForNewEntriesAndGoesWhenEmpty();
    void timeZoneMenuSetsTheBlogsZone();
    void readsInADarkPalette();

private:
    EntryPtr listed(const QVariantMap& diffs);

    std::shared_ptr<Account> m_account;
    std::shared_ptr<Blog> m_blog;
    std::unique_ptr<RVDiffTool> m_tool;
    std::unique_ptr<RVDiffWindow> m_window;
};

void tst_RVDiffWindow::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("diffIgnoreHTML"));
    m_account = Account::create();
    m_blog = std::make_shared<Blog>();
    m_blog->setUniqueID(QStringLiteral("3"));
    m_blog->setTitle(QStringLiteral("Travel notes"));
    m_account->addBlog(m_blog);
    m_tool = std::make_unique<RVDiffTool>();
    m_window = std::make_unique<RVDiffWindow>(*m_tool);
}

void tst_RVDiffWindow::cleanup()
{
    m_window.reset();
    m_tool.reset();
}

EntryPtr tst_RVDiffWindow::listed(const QVariantMap& diffs)
{
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("A week in Lisbon"));
    entry->setBody(QStringLiteral("<p>We took the <b>yellow</b> tram up to the castle and "
                                  "walked down through Alfama at dusk.</p>"));
    entry->setEntryDate(QDateTime(QDate(2024, 7, 1), QTime(12, 0), QTimeZone::utc()));
    entry->removeFlag(Entry::LocalOnly);
    m_blog->addEntry(entry);
    entry->setPublishTexts(entry->body(), QString(), QString());
    entry->setDiffs(diffs);
    m_tool->addEntry(entry);
    return entry;
}

void tst_RVDiffWindow::bothTabsShowTheDifferences()
{
    const QDateTime server =
        QDateTime(QDate(2024, 7, 1), QTime(10, 0), QTimeZone::utc()).toLocalTime();
    listed({{"datecreated", server},
            {"oridate", server},
            {"description", QStringLiteral("<p>We took the <b>old</b> tram 28 up to the castle "
                                           "and walked down through Alfama at night.</p>")}});
    QVERIFY(m_window->isVisible()); // a new difference brings the window forward
    QVERIFY(m_window->tabBar()->isVisible());
    QCOMPARE(m_window->tabBar()->count(), 2);
    QCOMPARE(m_window->tabBar()->tabText(0), QStringLiteral("Time && Date")); // no shortcut letter
    QCOMPARE(m_window->tabBar()->tabText(1), QStringLiteral("Main"));

    // The date tab first.
    QCOMPARE(m_window->box()->currentWidget(), m_window->timeView());
    QCOMPARE(m_window->timeDiffLabel()->text(), QStringLiteral("2 hours later"));
    QVERIFY(!m_window->serverDateLabel()->text().isEmpty());
    plumet::test::saveScreenshot(m_window.get(), QStringLiteral("difftool-time-tab"));

    // The main text, word by word, as text (the default while unset).
    QVERIFY(m_window->ignoreHTMLBox()->isChecked());
    QVERIFY(waitForLoad(*m_window->webView(), [&] { m_window->tabBar()->setCurrentIndex(1); }));
    QCOMPARE(m_window->box()->currentWidget(), m_window->textView());
    QString markup = pageMarkup(*m_window->webView());
    QVERIFY2(markup.contains(QLatin1String("<del>yellow</del><ins>old</ins>")), qPrintable(markup));
    QVERIFY(markup.contains(QLatin1String("<ins>28 </ins>")));
    QVERIFY(!markup.contains(QLatin1String("&lt;b&gt;")));
    plumet::test::saveScreenGrab(m_window.get(), QStringLiteral("difftool-main-tab"));

    // The source form on request.
    QVERIFY(
        waitForLoad(*m_window->webView(), [&] { m_window->ignoreHTMLBox()->setChecked(false); }));
    markup = pageMarkup(*m_window->webView());
    QVERIFY2(markup.contains(QLatin1String("&lt;b&gt;<del>yellow</del><ins>old</ins>&lt;/b&gt;")),
             qPrintable(markup));
    QCOMPARE(UserDefaults::sharedInstance().value(QStringLiteral("diffIgnoreHTML")).toBool(),
             false);
    plumet::test::saveScreenGrab(m_window.get(), QStringLiteral("difftool-main-tab-source"));
}

void tst_RVDiffWindow::noScriptOrHandlerOfTheServerRuns()
{
    // The same markup where script may run, to show the marks are made when it does.
    WebContentView open;
    open.resize(400, 300);
    open.show();
    QVERIFY(waitForLoad(open, [&] {
        open.showDocument(QStringLiteral("<html><head><title>Hostile</title></head><body>") +
                              hostile + QStringLiteral("</body></html>"),
                          WebContentPage::Content::OwnPage);
    }));
    QTRY_COMPARE_WITH_TIMEOUT(open.page()->title(), QStringLiteral("ran"), PageTimeout);
    QVERIFY(marked(pageMarkup(open)));

    // The server's text in the comparison, in both forms: every piece escaped.
    m_window->show();
    auto nothingRan = [&] {
        const QString markup = pageMarkup(*m_window->webView());
        QVERIFY2(!marked(markup), qPrintable(markup));
        QVERIFY(!markup.contains(QLatin1String("<script")));
        QVERIFY(!markup.contains(QLatin1String("<img")));
        QVERIFY(!markup.contains(QLatin1String("<iframe")));
        QVERIFY(markup.contains(QLatin1String("<ins>")));
        QCOMPARE(m_window->webView()->page()->title(), QStringLiteral("Differences"));
    };
    QVERIFY(waitForLoad(*m_window->webView(), [&] {
        listed({{"description", hostile}, {"title", hostile}});
    }));
    QCOMPARE(m_window->tabBar()->tabText(0), QStringLiteral("Title"));
    nothingRan();
    QVERIFY(
        waitForLoad(*m_window->webView(), [&] { m_window->ignoreHTMLBox()->setChecked(false); }));
    nothingRan();
    QVERIFY(waitForLoad(*m_window->webView(), [&] { m_window->tabBar()->setCurrentIndex(1); }));
    QCOMPARE(m_window->controller()->currentTab(), int(RVDiffArrayController::MainTab));
    nothingRan();

    // Even markup that got through whole runs nothing in this view: no
    // script, no handler, whatever policy the markup brings.
    QVERIFY(waitForLoad(*m_window->webView(), [&] {
        m_window->webView()->showDocument(
            QStringLiteral("<html><head><title>Hostile</title></head><body>") + hostile +
                QStringLiteral("</body></html>"),
            WebContentPage::Content::OwnPage);
    }));
    const QString markup = pageMarkup(*m_window->webView());
    QVERIFY(markup.contains(QLatin1String("<img")));
    QVERIFY2(!marked(markup), qPrintable(markup));
    QCOMPARE(m_window->webView()->page()->title(), QStringLiteral("Hostile"));

    // Our own isolated world still runs: the find panel's services answer there.
    QSignalSpy ready(m_window->webView()->contentPage(), &WebContentPage::documentReady);
    m_window->webView()->showDocument(QStringLiteral("<p>findable</p>"));
    QVERIFY(ready.wait(PageTimeout));
}

void tst_RVDiffWindow::aHostilePostAsksForNothing()
{
    // The comparison shows the markup as text: not even its pictures load.
    plumet::test::HostileSite site;
    QVERIFY(site.listen());
    m_window->show();
    QVERIFY(waitForLoad(*m_window->webView(), [&] {
        listed({{"description", site.post()}, {"title", QStringLiteral("Hostile")}});
    }));
    QVERIFY(waitForLoad(*m_window->webView(), [&] { m_window->tabBar()->setCurrentIndex(1); }));
    QVERIFY(
        waitForLoad(*m_window->webView(), [&] { m_window->ignoreHTMLBox()->setChecked(false); }));
    QVERIFY(pageMarkup(*m_window->webView()).contains(QLatin1String("framed.zip")));
    QTest::qWait(1000);
    QVERIFY2(site.asked().isEmpty(), qPrintable(site.asked().join(", ")));
}

void tst_RVDiffWindow::comesForwardForNewEntriesAndGoesWhenEmpty()
{
    QVERIFY(!m_window->isVisible());
    // Nothing to show, no web engine started.
    QVERIFY(!m_window->findChild<WebContentView*>());
    const EntryPtr first = listed({{"title", QStringLiteral("Server title")}});
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->tabBar()->isVisible()); // one tab: no bar
    QCOMPARE(m_window->box()->currentWidget(), m_window->textView());

    // Closed by the user: listing the same entry again leaves it closed.
    m_window->hide();
    m_tool->addEntry(first);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->controller()->rowCount(), 1);
    // A new one brings it back.
    listed({{"mt_keywords", QStringLiteral("lisbon")}});
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->list()->currentIndex().row(), 0);

    // Settled one by one: the window goes with the last.
    m_window->fixLaterButton()->click();
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->list()->currentIndex().row(), 0);
    m_window->fixLaterButton()->click();
    QVERIFY(!m_window->isVisible());

    // Window ▸ Differences shows it again, empty.
    m_window->showWindow();
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->acceptButton()->isEnabled());
}

void tst_RVDiffWindow::timeZoneMenuSetsTheBlogsZone()
{
    const QDateTime instant(QDate(2024, 1, 15), QTime(10, 0), QTimeZone::utc());
    const QDateTime inSydney = instant.toTimeZone(QTimeZone("Australia/Sydney"));
    const QDateTime oridate(inSydney.date(), inSydney.time(), Qt::LocalTime);
    const EntryPtr entry = listed({{"datecreated", oridate}, {"oridate", oridate}});
    entry->setEntryDate(instant);
    QComboBox* zones = m_window->timeZonePopup();
    QCOMPARE(zones->itemText(0), QStringLiteral("Use local timezone"));
    QVERIFY(zones->itemText(1).isEmpty()); // the separator
    QCOMPARE(zones->currentIndex(), 0);
    // Fixed offsets say the offset the blogs' clock gives them.
    QCOMPARE(zones->itemText(zones->findData(QStringLiteral("Etc/GMT-2"))),
             QString::fromUtf8("UTC−02:00 (Etc/GMT-2)"));
    QVERIFY(!m_window->timeDiffLabel()->text().contains(QLatin1String("agree")));

    const int sydney = zones->findData(QStringLiteral("Australia/Sydney"));
    QVERIFY(sydney > 1);
    zones->setCurrentIndex(sydney);
    emit zones->activated(sydney);
    QCOMPARE(m_blog->timeZone(), QStringLiteral("Australia/Sydney"));
    QCOMPARE(m_window->timeDiffLabel()->text(), QStringLiteral("The dates agree."));

    m_window->applyToAllButton()->click();
    QCOMPARE(entry->entryDate(), instant);
    QVERIFY(!m_tool->contains(entry.get()));
}

// The comparison window and its page in a dark palette: the labels read on
// the window, the page takes the palette's base and text.
void tst_RVDiffWindow::readsInADarkPalette()
{
    const plumet::test::DarkPaletteScope dark;
    m_window = std::make_unique<RVDiffWindow>(*m_tool);
    const QDateTime server =
        QDateTime(QDate(2024, 7, 1), QTime(10, 0), QTimeZone::utc()).toLocalTime();
    listed({{"datecreated", server},
            {"oridate", server},
            {"description", QStringLiteral("<p>We took the <b>old</b> tram 28 up to the castle "
                                           "and walked down through Alfama at night.</p>")}});
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    PLUMET_VERIFY_READABLE(m_window.get());
    plumet::test::saveScreenshot(m_window.get(), QStringLiteral("looks-comparison-time"));

    QVERIFY(waitForLoad(*m_window->webView(), [&] { m_window->tabBar()->setCurrentIndex(1); }));
    PLUMET_VERIFY_READABLE(m_window.get());
    QString background, text;
    bool done = false;
    m_window->webView()->page()->runJavaScript(
        QStringLiteral("[getComputedStyle(document.documentElement).backgroundColor,"
                       " getComputedStyle(document.body).color]"),
        QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
            const QVariantList colours = value.toList();
            if (colours.size() == 2) {
                background = colours[0].toString();
                text = colours[1].toString();
            }
            done = true;
        });
    QVERIFY(QTest::qWaitFor([&] { return done; }, PageTimeout));
    QCOMPARE(background, QStringLiteral("rgb(30, 30, 32)"));
    QCOMPARE(text, QStringLiteral("rgb(232, 232, 232)"));
    plumet::test::saveScreenGrab(m_window.get(), QStringLiteral("looks-comparison"));
}

QTEST_MAIN(tst_RVDiffWindow)
#include "tst_rvdiffwindow.moc"
