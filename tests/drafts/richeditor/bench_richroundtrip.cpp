#include "Benchmark.h"
#include "TKWebView.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineScript>

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
        bool done = false;
        QElapsedTimer timer;
        timer.start();
        view.plainSource([&](const RichHtmlSerializer::Result& result) {
            ours = result.html;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, PageTimeout))
            return -1.0;
        return timer.nsecsElapsed() / 1e6;
    };
    const auto innerHtmlOnce = [&] {
        bool done = false;
        QElapsedTimer timer;
        timer.start();
        view.page()->runJavaScript(
            QStringLiteral("document.body.innerHTML"), QWebEngineScript::ApplicationWorld,
            [&](const QVariant& value) { done = !value.toString().isEmpty(); });
        if (!QTest::qWaitFor([&] { return done; }, PageTimeout))
            return -1.0;
        return timer.nsecsElapsed() / 1e6;
    };
    serializeOnce();
    innerHtmlOnce();
    QCOMPARE(ours, post);
    const Comparison comparison = interleaved(9, serializeOnce, innerHtmlOnce);
    printComparison("rich_roundtrip_1mb", QStringLiteral("Chromium document.body.innerHTML"),
                    comparison);
}

QTEST_MAIN(bench_RichRoundTrip)
#include "bench_richroundtrip.moc"
