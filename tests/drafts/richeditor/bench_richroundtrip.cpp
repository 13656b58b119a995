#include "Benchmark.h"
#include "RichDomSnapshot.h"
#include "TKWebView.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineScript>
#include <cstdio>
#include <memory>

using namespace plumet::test;

namespace {

constexpr int PageTimeout = 60000;

// About 1 MB of a post as people write them: paragraphs with inline
// styling, links, line breaks and a list now and then.
QString onePost()
{
    const QString paragraph = QStringLiteral(
        "<p>Some words of a long post, with <strong>bold</strong>, <em>italic</em> and a "
        "<a href=\"https://example.org/?a=1&amp;b=2\">link</a>; a &lt; b &amp; c.<br />"
        "A second line.</p><ul><li>one</li><li>two</li></ul>");
    QString post;
    while (post.size() < 1024 * 1024)
        post += paragraph;
    return post;
}

// Milliseconds from calling `ask` to the moment the answer's callback runs,
// read in the callback itself; an event loop waits for it without polling.
// Negative when no answer came.
double timedAnswer(const std::function<void(std::function<void()> answered)>& ask)
{
    struct Wait {
        QEventLoop loop;
        QElapsedTimer timer;
        qint64 elapsed = -1;
    };
    // The callback may outlive a wait that timed out.
    const auto wait = std::make_shared<Wait>();
    QTimer::singleShot(PageTimeout, &wait->loop, &QEventLoop::quit);
    wait->timer.start();
    ask([weak = std::weak_ptr<Wait>(wait)] {
        if (const auto w = weak.lock()) {
            w->elapsed = w->timer.nsecsElapsed();
            w->loop.quit();
        }
    });
    if (wait->elapsed < 0)
        wait->loop.exec();
    return wait->elapsed < 0 ? -1.0 : double(wait->elapsed) / 1e6;
}

} // namespace

class bench_RichRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void roundTrip();
};

void bench_RichRoundTrip::roundTrip()
{
    TKWebView view;
    view.resize(800, 600);
    view.show();
    const QString post = onePost();
    QSignalSpy ready(view.contentPage(), &WebContentPage::documentReady);
    view.setSource(post, {});
    QVERIFY(ready.wait(PageTimeout));

    QString ours;
    const auto serializeOnce = [&] {
        return timedAnswer([&](std::function<void()> answered) {
            view.plainSource([&ours, answered](const RichHtmlSerializer::Result& result) {
                ours = result.html;
                answered();
            });
        });
    };
    QString anchor;
    const auto innerHtmlOnce = [&] {
        return timedAnswer([&](std::function<void()> answered) {
            view.page()->runJavaScript(QStringLiteral("document.body.innerHTML"),
                                       QWebEngineScript::ApplicationWorld,
                                       [&anchor, answered](const QVariant& value) {
                                           anchor = value.toString();
                                           answered();
                                       });
        });
    };
    serializeOnce();
    innerHtmlOnce();
    QCOMPARE(ours, post);
    // The engine's markup of the same post: "<br>" where ours has "<br />".
    QVERIFY(anchor.size() > post.size() * 9 / 10);

    // Our part alone, on the snapshot the page answers with: reading the
    // markup into nodes and writing the post from them.
    QVariant snapshotValue;
    QVERIFY(timedAnswer([&](std::function<void()> answered) {
                view.contentPage()->callFunction(QStringLiteral("editorSnapshot"), {},
                                                 [&snapshotValue, answered](const QVariant& v) {
                                                     snapshotValue = v;
                                                     answered();
                                                 });
            }) >= 0);
    Timings cpp;
    for (int run = 0; run < 9; ++run) {
        cpp.runs.push_back(millisecondsOf([&] {
            const auto snapshot = RichDomSnapshot::fromPageValue(snapshotValue.toMap());
            QVERIFY(snapshot);
            QCOMPARE(RichHtmlSerializer().serialize(*snapshot).html.size(), post.size());
        }));
    }

    const Comparison comparison = interleaved(15, serializeOnce, innerHtmlOnce);
    QVERIFY(comparison.ours.min() >= 0 && comparison.anchor.min() >= 0);
    std::printf("rich_roundtrip_1mb: a %lld-character post loaded once; each run times one call "
                "to the page until its answer is in hand (no polling).\n"
                "  ours:   the editor's snapshot (the content's markup and the selection) read "
                "back into nodes and serialized\n"
                "  anchor: the same page's document.body.innerHTML, as a string\n"
                "  of ours, reading and serializing alone: min %.2f ms, median %.2f ms\n",
                qlonglong(post.size()), cpp.min(), cpp.median());
    printComparison("rich_roundtrip_1mb", QStringLiteral("Chromium document.body.innerHTML"),
                    comparison);
}

QTEST_MAIN(bench_RichRoundTrip)
#include "bench_richroundtrip.moc"
