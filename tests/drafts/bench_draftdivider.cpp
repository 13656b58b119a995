#include "Benchmark.h"
#include "DraftPaneStack.h"
#include "DraftTesting.h"
#include "DraftWindowLayout.h"
#include "RVDraftWindow.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTest>
#include <cmath>
#include <cstdio>

using namespace plumet::test;

namespace {

constexpr int steps = 200;
constexpr int repetitions = 5;

// A post of about a megabyte: paragraphs with some markup, a list now and then.
QString megabytePost()
{
    QString body;
    body.reserve(1 << 20);
    for (int n = 0; body.size() < (1 << 20); ++n) {
        body += QStringLiteral("<p>Paragraph %1 of the walk: the <em>river</em> bends, the path "
                               "climbs, and the <a href=\"https://example.org/%1\">map</a> says "
                               "nothing of the mud &amp; the rain.</p>\n")
                    .arg(n);
        if (n % 20 == 0)
            body += QStringLiteral("<ul>\n  <li>boots</li>\n  <li>water</li>\n</ul>\n");
    }
    return body;
}

// The mouse's way over the 200 steps: up 80 pixels, down 160, up 80 again.
int offsetAt(int step)
{
    return int(std::lround(-80.0 * std::sin(2.0 * M_PI * step / steps)));
}

// One drag of `grip` in `widget` along the way; each frame is the move, the
// layout it asks for and the repaint of `area`, timed.
void drag(QWidget* widget, QPoint grip, QWidget* area, std::vector<double>& frames)
{
    const QPoint start = widget->mapToGlobal(grip);
    QTest::mousePress(widget, Qt::LeftButton, {}, grip);
    QElapsedTimer timer;
    for (int step = 1; step <= steps; ++step) {
        timer.start();
        QTest::mouseMove(widget, widget->mapFromGlobal(start + QPoint(0, offsetAt(step))));
        QCoreApplication::sendPostedEvents();
        area->repaint();
        frames.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->mapFromGlobal(start));
}

double longest(const std::vector<double>& frames)
{
    return frames.empty() ? 0 : *std::max_element(frames.begin(), frames.end());
}

} // namespace

// Dragging the divider of a draft that holds a 1 MB post, frame by frame,
// beside a bare QSplitter over the same text dragged by its handle.
class bench_DraftDivider : public QObject {
    Q_OBJECT
private slots:
    void dragOverAMegabytePost();
};

void bench_DraftDivider::dragOverAMegabytePost()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    UserDefaults::sharedInstance().remove(QStringLiteral("summary_height"));
    DraftWorld world;
    DraftWorld::useFakeRichEditors();
    const QString body = megabytePost();
    Blog& blog = world.addBlog(QStringLiteral("Notes"), world.full);
    const EntryPtr entry = DraftWorld::addEntry(blog, QStringLiteral("A long walk"), body,
                                                QStringLiteral("<p>And back.</p>"));
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    QVERIFY(draft);
    QCOMPARE(draft->mode(), int(Draft::SourceMode));
    draft->window()->resize(780, 640);
    QVERIFY(QTest::qWaitForWindowExposed(draft->window()));
    DraftPaneStack* stack = draft->layout().paneStack();
    if (stack->isCollapsed())
        stack->closureAction();
    QCoreApplication::processEvents();
    QCOMPARE(sourceView(draft)->document()->characterCount() > (1 << 20) - 1, true);
    const int lowerBefore = stack->lowerHeight();

    // The anchor: the same text in a bare splitter of the same size, its
    // lower pane as high as ours with its bar.
    QSplitter splitter(Qt::Vertical);
    splitter.setOpaqueResize(true);
    splitter.setChildrenCollapsible(false);
    auto* top = new QPlainTextEdit(&splitter);
    top->setPlainText(body);
    auto* bottom = new QPlainTextEdit(&splitter);
    bottom->setPlainText(QStringLiteral("<p>And back.</p>"));
    top->setMinimumHeight(64);
    bottom->setMinimumHeight(64);
    splitter.resize(stack->size());
    splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splitter));
    splitter.setSizes({stack->topView()->height(), stack->height() - stack->topView()->height()});
    QCoreApplication::processEvents();
    QWidget* handle = splitter.handle(1);
    const int anchorBefore = splitter.sizes().at(1);

    QWidget* area = stack->dragArea();
    const QPoint grip(area->width() / 2, area->height() / 2);
    const QPoint handleGrip(handle->width() / 2, handle->height() / 2);
    // One drag each first, untimed: the first paint of what a drag uncovers
    // fills caches that any later drag finds filled.
    std::vector<double> warmUp;
    drag(handle, handleGrip, &splitter, warmUp);
    drag(area, grip, stack, warmUp);
    Comparison frames;
    for (int run = 0; run < repetitions; ++run) {
        drag(handle, handleGrip, &splitter, frames.anchor.runs);
        drag(area, grip, stack, frames.ours.runs);
    }
    // Up, down and back: each ends where it began.
    QCOMPARE(stack->lowerHeight(), lowerBefore);
    QCOMPARE(splitter.sizes().at(1), anchorBefore);

    std::printf("draft_divider_drag: %d drag steps over a %lld-character post, per frame\n",
                steps * repetitions, qlonglong(body.size()));
    std::printf("  longest frame: ours %.2f ms, anchor %.2f ms (a frame should stay below 16 ms)\n",
                longest(frames.ours.runs), longest(frames.anchor.runs));
    printComparison("draft_divider_drag", QStringLiteral("a bare QSplitter, dragged by its handle"),
                    frames);
}

QTEST_MAIN(bench_DraftDivider)
#include "bench_draftdivider.moc"
