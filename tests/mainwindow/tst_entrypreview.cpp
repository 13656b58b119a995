#include "Account.h"
#include "Blog.h"
#include "BrowserCatcher.h"
#include "Category.h"
#include "DarkPalette.h"
#include "DraftRegistry.h"
#include "Entry.h"
#include "EntryPreview.h"
#include "EntryPreviewWindow.h"
#include "EntryRenderer.h"
#include "HostileSite.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "PLUMETFormatterProtocol.h"
#include "RVSplitView.h"
#include "ScreenshotSaver.h"
#include "WebContent.h"
#include "WebContentView.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWebEngineScript>
#include <atomic>

using namespace plumet::test;

// The entry preview under the entries table and the draft preview window:
// the summary below 81 px and the rendered entry above, the base address,
// edits followed at most every 2 s and once more after the last, the
// reader's place kept, nothing rendered while collapsed, and no script of
// the entry ever running.
namespace {

constexpr int PageTimeout = 30000;

QVariant evaluate(WebContentView* view, const QString& script)
{
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                [&](const QVariant& value) {
                                    result = value;
                                    done = true;
                                });
    if (!QTest::qWaitFor([&] { return done; }, PageTimeout))
        qWarning() << "no answer to" << script;
    return result;
}

// Waits until the view has loaded the document it was given last, whole.
bool loaded(WebContentView* view)
{
    return QTest::qWaitFor(
        [&] {
            return view && view->contentPage()->isReady() &&
                   evaluate(view, QStringLiteral("document.readyState")).toString() ==
                       QLatin1String("complete");
        },
        PageTimeout);
}

QString longBody(const QString& word)
{
    QString body;
    for (int i = 0; i < 200; ++i)
        body += QStringLiteral("<p>%1 %2</p>").arg(word).arg(i);
    return body;
}

// Draft windows as the preview window sees them: one draft object per entry.
class PreviewDrafts : public DraftRegistry {
public:
    QObject* hasOpenDraft(const Entry*) const override { return nullptr; }
    void reloadEntry(QObject*) override {}
    void openDrafts(const QList<Entry*>&) override {}
    void openDraftForEntry(Entry*, const QVariant&) override {}
    void saveIfNeeded(std::function<void()> done) override { done(); }
    Entry* entryOfDraft(QObject* draft) const override { return drafts.value(draft); }
    void commitDraft(QObject* draft, std::function<void()> then) override
    {
        // The draft writes what was typed into its entry, then answers.
        if (Entry* entry = drafts.value(draft); entry && !typed.isEmpty())
            entry->setBody(typed);
        ++commits;
        then();
    }
    QHash<QObject*, Entry*> drafts;
    QString typed;
    int commits = 0;
};

// A formatter that works until the test lets it go, as a slow outside program
// would, and tells on which thread it ran and how often.
class GatedFormatter : public PLUMETFormatterProtocol {
public:
    QString formatterKey() const override { return QStringLiteral("Gated"); }
    QString formatterDescription() const override { return QStringLiteral("gated"); }
    bool willHandleFormat(const QString& format) const override
    {
        return format == QLatin1String("gated");
    }
    bool allowsHTMLEditing() const override { return true; }
    QString formatText(const QString& text) override
    {
        thread = QThread::currentThread();
        ++calls;
        // Bounded, so that a formatter run on the window's own thread fails the test
        // instead of hanging it.
        gate.tryAcquire(1, 10000);
        return QStringLiteral("<p>Formatted.</p>") + text;
    }
    QString urlTemplate() const override { return {}; }

    QSemaphore gate;
    std::atomic<QThread*> thread{nullptr};
    std::atomic<int> calls{0};
};

// Outlives every run the formatter thread may still be in.
GatedFormatter gated;

} // namespace

class tst_EntryPreview : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void modeByHeight_data();
    void modeByHeight();
    void baseAddress_data();
    void baseAddress();
    void lowPaneShowsTheSummaryHighPaneTheEntry();
    void summaryKeepsParagraphsInThePalettesColours();
    void contentScriptNeverRuns();
    void aHostilePostReachesNothingButItsPictures();
    void editsAreFollowedWithATrailingRender();
    void theReaderKeepsHisPlaceForTheSameEntry();
    void nothingRendersWhileCollapsed();
    void anEntryLeavingClearsThePreview();
    void previewWindowFollowsADraft();
    void theFormatterWorksBesideTheWindow();

private:
    EntryPtr add(const QString& title, const QString& body);
    void setPreviewHeight(int height);
    // The split view with the preview below a stand-in table, shown.
    void buildPreview();

    std::shared_ptr<Account> m_account;
    std::shared_ptr<Blog> m_blog;
    std::unique_ptr<plumet::test::ManualClock> m_clock;
    std::unique_ptr<RVSplitView> m_split;
    EntryPreview* m_preview = nullptr;
    QPointer<Entry> m_current;
};

EntryPtr tst_EntryPreview::add(const QString& title, const QString& body)
{
    EntryPtr entry = Entry::create();
    entry->setTitle(title);
    entry->setBody(body);
    m_blog->addEntry(entry);
    return entry;
}

void tst_EntryPreview::init()
{
    m_account = Account::create();
    m_blog = std::make_shared<Blog>();
    m_blog->setUrl(QStringLiteral("http://blog.example.org/"));
    m_account->addBlog(m_blog);
    m_clock = std::make_unique<plumet::test::ManualClock>();
    buildPreview();
}

void tst_EntryPreview::buildPreview()
{
    m_split = std::make_unique<RVSplitView>();
    m_split->addWidget(new QLabel(QStringLiteral("the table")));
    m_preview = new EntryPreview(m_split.get(), nullptr, m_clock.get());
    m_split->addWidget(m_preview);
    m_preview->setCurrentEntry([this] { return m_current.data(); });
    m_split->resize(700, 560);
    m_split->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_split.get()));
    setPreviewHeight(400);
}

void tst_EntryPreview::cleanup()
{
    m_current = nullptr;
    m_split.reset();
    m_clock.reset();
    m_blog.reset();
    m_account.reset();
    DraftRegistry::setSharedInstance(nullptr);
}

void tst_EntryPreview::setPreviewHeight(int height)
{
    const int total = m_split->height() - m_split->dividerThickness();
    m_split->setSizes({total - height, height});
    QTRY_COMPARE(m_preview->height(), height);
}

void tst_EntryPreview::modeByHeight_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("mode");
    QTest::newRow("81.0") << 81.0 << int(EntryPreview::Mode::Full);
    QTest::newRow("80.9") << 80.9 << int(EntryPreview::Mode::Summary);
    QTest::newRow("40") << 40.0 << int(EntryPreview::Mode::Summary);
    QTest::newRow("600") << 600.0 << int(EntryPreview::Mode::Full);
}

void tst_EntryPreview::modeByHeight()
{
    QFETCH(double, height);
    QFETCH(int, mode);
    QCOMPARE(int(EntryPreview::modeForHeight(height)), mode);
}

void tst_EntryPreview::baseAddress_data()
{
    QTest::addColumn<QString>("permalink");
    QTest::addColumn<QString>("blog");
    QTest::addColumn<QString>("base");
    QTest::newRow("permalink") << "http://example.org/2024/05/post/"
                               << "http://blog.example.org/"
                               << "http://example.org/2024/05/post/";
    QTest::newRow("scheme in capitals") << "HTTPS://example.org/p"
                                        << ""
                                        << "https://example.org/p";
    QTest::newRow("no scheme") << "example.org/p"
                               << ""
                               << "http://example.org/p";
    QTest::newRow("blog") << ""
                          << "http://blog.example.org/"
                          << "http://blog.example.org/";
    QTest::newRow("neither") << ""
                             << ""
                             << "";
    QTest::newRow("not http") << "ftp://example.org/p"
                              << "http://blog.example.org/"
                              << "http://blog.example.org/";
    QTest::newRow("script") << "javascript:alert(1)"
                            << ""
                            << "";
}

void tst_EntryPreview::baseAddress()
{
    QFETCH(QString, permalink);
    QFETCH(QString, blog);
    QFETCH(QString, base);
    m_blog->setUrl(blog.isEmpty() ? QString() : blog);
    EntryPtr entry = add(QStringLiteral("Post"), QString());
    entry->setPermaLink(permalink);
    QCOMPARE(EntryPreview::baseAddress(*entry), base.isEmpty() ? QUrl() : QUrl(base));
}

void tst_EntryPreview::lowPaneShowsTheSummaryHighPaneTheEntry()
{
    EntryPtr entry =
        add(QStringLiteral("Spring planting"), QStringLiteral("<p>Seeds <b>in</b> rows</p>"));
    entry->setPermaLink(QStringLiteral("example.org/spring"));
    entry->setCategories(CategoryList{Category::withTitle(QStringLiteral("Garden"))});
    m_current = entry.get();

    setPreviewHeight(80);
    m_preview->selectionChanged();
    QCOMPARE(m_preview->shownMode(), EntryPreview::Mode::Summary);
    QVERIFY(loaded(m_preview->webView()));
    const QString summary =
        evaluate(m_preview->webView(), QStringLiteral("document.body.innerText")).toString();
    QVERIFY2(summary.contains(QStringLiteral("\u201CSeeds in rows\u201D")), qPrintable(summary));
    QVERIFY(summary.contains(QStringLiteral("\u00ABGarden\u00BB")));
    QCOMPARE(evaluate(m_preview->webView(), QStringLiteral("document.querySelector('a').href"))
                 .toString(),
             QStringLiteral("http://example.org/spring"));
    // The same entry at the same height is not rendered again.
    const int renders = m_preview->renderCount();
    m_preview->updatePreview();
    QCOMPARE(m_preview->renderCount(), renders);
    saveScreenshot(m_split.get(), QStringLiteral("preview-summary"));

    // Taller: the entry through the blog's preview template, against its permalink.
    setPreviewHeight(81);
    QCOMPARE(m_preview->shownMode(), EntryPreview::Mode::Full);
    QTRY_COMPARE(m_preview->renderCount(), renders + 1);
    QVERIFY(loaded(m_preview->webView()));
    QCOMPARE(evaluate(m_preview->webView(), QStringLiteral("document.baseURI")).toString(),
             QStringLiteral("http://example.org/spring"));
    QVERIFY(evaluate(m_preview->webView(), QStringLiteral("document.body.innerText"))
                .toString()
                .contains(QStringLiteral("Seeds in rows")));
    setPreviewHeight(400);
    saveScreenGrab(m_split.get(), QStringLiteral("preview-full"));
}

void tst_EntryPreview::summaryKeepsParagraphsInThePalettesColours()
{
    const plumet::test::DarkPaletteScope dark;
    buildPreview(); // made in the dark palette, as at a start in a dark desktop
    EntryPtr entry = add(QStringLiteral("Spring planting"),
                         QStringLiteral("<p>Seeds in rows.</p><p>Water\n   at dusk.</p>"));
    m_current = entry.get();
    setPreviewHeight(80);
    m_preview->selectionChanged();
    QCOMPARE(m_preview->shownMode(), EntryPreview::Mode::Summary);
    QVERIFY(loaded(m_preview->webView()));
    const QString text =
        evaluate(m_preview->webView(), QStringLiteral("document.body.innerText")).toString();
    QVERIFY2(text.contains(QStringLiteral("Seeds in rows.\nWater at dusk.")), qPrintable(text));
    QCOMPARE(evaluate(m_preview->webView(),
                      QStringLiteral("getComputedStyle(document.documentElement).backgroundColor"))
                 .toString(),
             QStringLiteral("rgb(30, 30, 32)"));
    QCOMPARE(evaluate(m_preview->webView(), QStringLiteral("getComputedStyle(document.body).color"))
                 .toString(),
             QStringLiteral("rgb(232, 232, 232)"));
    saveScreenGrab(m_split.get(), QStringLiteral("looks-summary"));
}

void tst_EntryPreview::contentScriptNeverRuns()
{
    const QString hostile = QStringLiteral(
        "<p id=mark>words</p>"
        "<script>document.body.dataset.ran = 'script'</script>"
        "<img src='data:,' onerror=\"document.body.dataset.ran = 'onerror'\">"
        "<svg onload=\"document.body.dataset.ran = 'svg'\"><circle r=4 /></svg>"
        "<iframe srcdoc=\"<script>parent.document.body.dataset.ran = 'iframe'</script>\"></iframe>"
        "<div style='height:40px' onmouseover=\"document.body.dataset.ran = 'hover'\">x</div>"
        "<a id=js href=\"javascript:document.body.dataset.ran = 'link'\">link</a>"
        "<meta http-equiv='Content-Security-Policy' content=\"script-src 'unsafe-inline'\">");
    for (const int height : {80, 300}) {
        EntryPtr entry = add(QStringLiteral("<script>alert(1)</script>"), hostile);
        entry->setSummary(hostile);
        entry->setCategories(
            CategoryList{Category::withTitle(QStringLiteral("<img src=x onerror=alert(1)>"))});
        entry->setPermaLink(QStringLiteral("javascript:document.body.dataset.ran='perma'"));
        m_current = entry.get();
        setPreviewHeight(height);
        m_preview->selectionChanged();
        QTRY_VERIFY(!m_preview->isRendering());
        WebContentView* view = m_preview->webView();
        QVERIFY(loaded(view));
        QTest::mouseMove(view->focusProxy(), QPoint(20, 60));
        QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(20, 60));
        QTest::qWait(500);
        QCOMPARE(evaluate(view, QStringLiteral("String(document.body.dataset.ran)")).toString(),
                 QStringLiteral("undefined"));
        QVERIFY(view->contentPage()->blocksContentScripts());
    }
}

void tst_EntryPreview::aHostilePostReachesNothingButItsPictures()
{
    using plumet::test::HostileSite;
    plumet::test::BrowserCatcher browser;
    const auto check = [&](HostileSite& site, WebContentView* view, bool pictures) {
        QVERIFY(loaded(view));
        if (pictures)
            QTRY_VERIFY_WITH_TIMEOUT(site.picturesAsked(), PageTimeout);
        // What a script would ask for comes about as soon as the pictures.
        QTest::qWait(1000);
        QVERIFY2(site.forbiddenAsked().isEmpty(), qPrintable(site.forbiddenAsked().join(", ")));
        QVERIFY(browser.opened().isEmpty());
        QVERIFY(QDir(WebContent::downloadFolder()).entryList(QDir::Files).isEmpty());
    };
    // The summary shows words of the post only; the full preview shows it all.
    for (const int height : {80, 300}) {
        HostileSite site;
        QVERIFY(site.listen());
        EntryPtr entry = add(QStringLiteral("Hostile"), site.post());
        entry->setSummary(site.post());
        m_current = entry.get();
        setPreviewHeight(height);
        m_preview->selectionChanged();
        QTRY_VERIFY(!m_preview->isRendering());
        check(site, m_preview->webView(), height > 80);
    }
    // The preview window of a draft.
    PreviewDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    QObject draft;
    HostileSite site;
    QVERIFY(site.listen());
    EntryPtr entry = add(QStringLiteral("Hostile draft"), site.post());
    drafts.drafts.insert(&draft, entry.get());
    drafts.typed = site.post();
    EntryPreviewWindow window(nullptr, m_clock.get());
    window.preview(&draft);
    QTRY_VERIFY(window.webView() && !window.isRendering());
    check(site, window.webView(), true);
}

void tst_EntryPreview::editsAreFollowedWithATrailingRender()
{
    EntryPtr entry = add(QStringLiteral("Notes"), QStringLiteral("<p>first</p>"));
    m_current = entry.get();
    m_preview->selectionChanged();
    QCOMPARE(m_preview->shownMode(), EntryPreview::Mode::Full);
    QTRY_VERIFY(!m_preview->isRendering());
    const int start = m_preview->renderCount();

    // The first edit shows at once (on the next turn), the next ones within
    // 2 s wait, and the last of them shows when the 2 s are over. A render not
    // asked for would be on its way at once.
    entry->setBody(QStringLiteral("<p>second</p>"));
    m_clock->advance(0);
    QTRY_COMPARE(m_preview->renderCount(), start + 1);
    m_clock->advance(500);
    entry->setBody(QStringLiteral("<p>third</p>"));
    m_clock->advance(500);
    entry->setBody(QStringLiteral("<p>typed last</p>"));
    m_clock->advance(999);
    QVERIFY(!m_preview->isRendering());
    QCOMPARE(m_preview->renderCount(), start + 1);
    m_clock->advance(1);
    QTRY_COMPARE(m_preview->renderCount(), start + 2);
    QVERIFY(loaded(m_preview->webView()));
    QVERIFY(evaluate(m_preview->webView(), QStringLiteral("document.body.innerText"))
                .toString()
                .contains(QStringLiteral("typed last")));
    m_clock->advance(10000);
    QVERIFY(!m_preview->isRendering());
    QCOMPARE(m_preview->renderCount(), start + 2);

    // Another entry selected: the old one's edits are not followed.
    EntryPtr other = add(QStringLiteral("Other"), QStringLiteral("<p>other</p>"));
    m_current = other.get();
    m_preview->selectionChanged();
    QTRY_VERIFY(!m_preview->isRendering());
    const int now = m_preview->renderCount();
    entry->setBody(QStringLiteral("<p>unseen</p>"));
    m_clock->advance(5000);
    QVERIFY(!m_preview->isRendering());
    QCOMPARE(m_preview->renderCount(), now);
}

void tst_EntryPreview::theReaderKeepsHisPlaceForTheSameEntry()
{
    EntryPtr entry = add(QStringLiteral("Long"), longBody(QStringLiteral("line")));
    m_current = entry.get();
    m_preview->selectionChanged();
    QTRY_VERIFY(!m_preview->isRendering());
    WebContentView* view = m_preview->webView();
    QVERIFY(loaded(view));
    evaluate(view, QStringLiteral("window.scrollTo(0, 1200); true"));
    QTRY_COMPARE_WITH_TIMEOUT(view->page()->scrollPosition().y(), 1200.0, PageTimeout);

    // An edit re-renders the same entry where the reader was.
    entry->setBody(longBody(QStringLiteral("edited")));
    m_clock->advance(0);
    QTRY_VERIFY(!m_preview->isRendering());
    QVERIFY(loaded(view));
    QTRY_VERIFY_WITH_TIMEOUT(evaluate(view, QStringLiteral("document.body.innerText"))
                                 .toString()
                                 .contains(QStringLiteral("edited 3")),
                             PageTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(view->page()->scrollPosition().y(), 1200.0, PageTimeout);

    // A newly selected entry opens at the top.
    EntryPtr other = add(QStringLiteral("Other"), longBody(QStringLiteral("other")));
    m_current = other.get();
    m_preview->selectionChanged();
    QTRY_VERIFY(!m_preview->isRendering());
    QVERIFY(loaded(view));
    QTest::qWait(300);
    QCOMPARE(view->page()->scrollPosition().y(), 0.0);
}

void tst_EntryPreview::nothingRendersWhileCollapsed()
{
    EntryPtr entry = add(QStringLiteral("Hidden"), QStringLiteral("<p>hidden</p>"));
    m_split->collapseSubview(true);
    m_current = entry.get();
    const int before = m_preview->renderCount();
    m_preview->selectionChanged();
    entry->setBody(QStringLiteral("<p>edited</p>"));
    m_clock->advance(5000);
    QVERIFY(!m_preview->isRendering());
    QCOMPARE(m_preview->renderCount(), before);
    // Shown again: the selection renders.
    m_split->collapseSubview(false);
    QTRY_COMPARE(m_preview->renderCount(), before + 1);
    QCOMPARE(m_preview->shownEntry(), entry.get());
}

void tst_EntryPreview::anEntryLeavingClearsThePreview()
{
    EntryPtr entry = add(QStringLiteral("Leaving"), QStringLiteral("<p>leaving</p>"));
    EntryPtr stays = add(QStringLiteral("Staying"), QStringLiteral("<p>staying</p>"));
    m_current = entry.get();
    m_preview->selectionChanged();
    QCOMPARE(m_preview->shownEntry(), entry.get());
    m_current = nullptr;
    m_blog->removeEntry(entry.get());
    QCOMPARE(m_preview->shownMode(), EntryPreview::Mode::None);
    QVERIFY(!m_preview->shownEntry());
    // Another blog's entry leaving: the selection comes back once it has gone.
    m_current = stays.get();
    m_preview->selectionChanged();
    Blog elsewhere;
    EntryPtr far = Entry::create();
    elsewhere.addEntry(far);
    elsewhere.removeEntry(far.get());
    QTRY_COMPARE(m_preview->shownEntry(), stays.get());
}

void tst_EntryPreview::previewWindowFollowsADraft()
{
    PreviewDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    QObject draft;
    EntryPtr entry = add(QStringLiteral("Draft \u201Cone\u201D"), longBody(QStringLiteral("row")));
    entry->setPermaLink(QStringLiteral("http://example.org/draft/"));
    drafts.drafts.insert(&draft, entry.get());

    EntryPreviewWindow window(nullptr, m_clock.get());
    window.preview(nullptr);
    QVERIFY(!window.isVisible());
    drafts.typed = longBody(QStringLiteral("typed"));
    window.preview(&draft);
    // The draft wrote its editors first.
    QCOMPARE(drafts.commits, 1);
    QVERIFY(window.isVisible());
    QCOMPARE(window.previewedEntry(), entry.get());
    QCOMPARE(window.windowTitle(),
             QStringLiteral("Previewing: \u201C%1\u201D").arg(entry->title()));
    QTRY_VERIFY(window.webView() && !window.isRendering());
    QVERIFY(loaded(window.webView()));
    QCOMPARE(evaluate(window.webView(), QStringLiteral("document.baseURI")).toString(),
             QStringLiteral("http://example.org/draft/"));
    QVERIFY(evaluate(window.webView(), QStringLiteral("document.body.innerText"))
                .toString()
                .contains(QStringLiteral("typed 7")));
    evaluate(window.webView(), QStringLiteral("window.scrollTo(0, 900); true"));
    QTRY_COMPARE_WITH_TIMEOUT(window.webView()->page()->scrollPosition().y(), 900.0, PageTimeout);

    // The draft asks for a refresh: the same entry again, at the reader's place.
    const int renders = window.renderCount();
    NotificationCenter::sharedInstance().post(QStringLiteral("refreshPreview"), &draft);
    QTRY_COMPARE(window.renderCount(), renders + 1);
    QVERIFY(loaded(window.webView()));
    QTRY_COMPARE_WITH_TIMEOUT(window.webView()->page()->scrollPosition().y(), 900.0, PageTimeout);
    // Its saved changes show too, throttled.
    entry->setTitle(QStringLiteral("Renamed"));
    m_clock->advance(0);
    QTRY_COMPARE(window.renderCount(), renders + 2);
    QCOMPARE(window.windowTitle(), QStringLiteral("Previewing: \u201CRenamed\u201D"));

    // Another draft's closing leaves it; its own closes the window.
    QObject otherDraft;
    NotificationCenter::sharedInstance().post(QStringLiteral("closePreview"), &otherDraft);
    QVERIFY(window.isVisible());
    NotificationCenter::sharedInstance().post(QStringLiteral("closePreview"), &draft);
    QVERIFY(!window.isVisible());
    QVERIFY(!window.previewedEntry());
    entry->setBody(QStringLiteral("<p>after</p>"));
    m_clock->advance(5000);
    QVERIFY(!window.isRendering());
    QCOMPARE(window.renderCount(), renders + 2);
}

void tst_EntryPreview::theFormatterWorksBesideTheWindow()
{
    const auto find = [](const QString& name) -> PLUMETFormatterProtocol* {
        return name.compare(QLatin1String("gated"), Qt::CaseInsensitive) == 0 ? &gated : nullptr;
    };
    EntryRenderer::setFormatterLookup({find, find});
    const auto restore = qScopeGuard([] {
        gated.gate.release(100);
        EntryRenderer::setFormatterLookup({});
    });
    gated.calls = 0;
    EntryPtr first = add(QStringLiteral("First"), QStringLiteral("<p>first words</p>"));
    EntryPtr second = add(QStringLiteral("Second"), QStringLiteral("<p>second words</p>"));
    for (const EntryPtr& entry : {first, second})
        entry->setFormat(QStringLiteral("gated"));
    QList<Entry*> rendered;
    connect(m_preview, &EntryPreview::rendered, this,
            [&rendered](EntryPreview::Mode, Entry* entry) { rendered << entry; });

    // The selection returns at once; the window turns while the formatter works.
    m_current = first.get();
    m_preview->selectionChanged();
    QVERIFY(m_preview->isRendering());
    QTRY_VERIFY(gated.thread.load());
    QVERIFY(gated.thread.load() != QThread::currentThread());
    QCOMPARE(rendered.size(), 0);

    // Another entry asked for meanwhile, and a third ask for it: the first page is dropped
    // when it comes, and one more run makes the page of what is selected now.
    m_current = second.get();
    m_preview->selectionChanged();
    second->setBody(QStringLiteral("<p>second words, edited</p>"));
    m_clock->advance(0);
    gated.gate.release();
    QTRY_COMPARE(gated.calls.load(), 2);
    QCOMPARE(rendered.size(), 0);
    gated.gate.release();
    QTRY_COMPARE(rendered.size(), 1);
    QCOMPARE(rendered.first(), second.get());
    QVERIFY(!m_preview->isRendering());
    QCOMPARE(gated.calls.load(), 2);
    QVERIFY(loaded(m_preview->webView()));
    const QString text =
        evaluate(m_preview->webView(), QStringLiteral("document.body.innerText")).toString();
    QVERIFY2(text.contains(QStringLiteral("second words, edited")) &&
                 text.contains(QStringLiteral("Formatted.")) &&
                 !text.contains(QStringLiteral("first words")),
             qPrintable(text));

    // A page still being made when the preview is cleared is not shown.
    first->setBody(QStringLiteral("<p>first again</p>"));
    m_current = first.get();
    m_preview->selectionChanged();
    QTRY_COMPARE(gated.calls.load(), 3);
    m_current = nullptr;
    m_preview->clear();
    gated.gate.release();
    QTRY_VERIFY(!m_preview->isRendering());
    QCOMPARE(rendered.size(), 1);
    QCOMPARE(m_preview->shownMode(), EntryPreview::Mode::None);

    // The draft's preview window drops a page of a draft that has closed.
    PreviewDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    QObject draft;
    drafts.drafts.insert(&draft, second.get());
    EntryPreviewWindow window(nullptr, m_clock.get());
    window.preview(&draft);
    QVERIFY(window.isRendering());
    QTRY_COMPARE(gated.calls.load(), 4);
    NotificationCenter::sharedInstance().post(QStringLiteral("closePreview"), &draft);
    gated.gate.release();
    QTRY_VERIFY(!window.isRendering());
    QCOMPARE(window.renderCount(), 0);
}

QTEST_MAIN(tst_EntryPreview)
#include "tst_entrypreview.moc"
