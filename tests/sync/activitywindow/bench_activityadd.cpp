#include "ActivityController.h"
#include "ActivityList.h"
#include "Benchmark.h"
#include "RVActivityView.h"

#include <QListWidget>
#include <QTest>

// A large upload queue: 1,000 rows added to the Activity window and laid out,
// against 1,000 plain rows added to a QListWidget, in the same run, turn about.
class bench_ActivityAdd : public QObject {
    Q_OBJECT

private slots:
    void addThousandRows();

private:
    static constexpr int Rows = 1000;
    static constexpr int Rounds = 15;
    double oursOnce();
    double anchorOnce();
};

double bench_ActivityAdd::oursOnce()
{
    // The whole window: the list, its count line and its Clear button.
    ActivityList& list = ActivityList::sharedInstance();
    while (list.count() > 0)
        list.removeItemAt(list.count() - 1);
    ActivityController* controller = ActivityController::sharedInstance();
    controller->window()->resize(380, 640);
    controller->showWindow();
    RVActivityView& view = *controller->activityView();
    QCoreApplication::processEvents();

    const double ms = plumet::test::millisecondsOf([&] {
        for (int i = 0; i < Rows; ++i)
            list.newActivity(nullptr, QStringLiteral("Uploading \"photo-%1.jpg\"...").arg(i),
                             [] { return true; })
                ->callAction();
        view.doItemsLayout();
        view.viewport()->repaint();
    });
    if (list.count() != Rows || view.requiredHeight() != Rows * 50)
        qFatal("the rows did not all arrive");
    return ms;
}

double bench_ActivityAdd::anchorOnce()
{
    QListWidget widget;
    widget.resize(380, 600);
    widget.show();
    QCoreApplication::processEvents();

    const double ms = plumet::test::millisecondsOf([&] {
        for (int i = 0; i < Rows; ++i)
            widget.addItem(QStringLiteral("Uploading \"photo-%1.jpg\"...").arg(i));
        widget.doItemsLayout();
        widget.viewport()->repaint();
    });
    if (widget.count() != Rows)
        qFatal("the rows did not all arrive");
    return ms;
}

void bench_ActivityAdd::addThousandRows()
{
    // One warm-up each, then the anchor and ours turn about.
    oursOnce();
    anchorOnce();
    const plumet::test::Comparison comparison = plumet::test::interleaved(
        Rounds, [this] { return oursOnce(); }, [this] { return anchorOnce(); });
    plumet::test::printComparison(
        "activity_add_1000", QStringLiteral("1,000 plain rows added to a QListWidget"), comparison);
    const double median = comparison.ours.median();
    QVERIFY2(median < 200, qPrintable(QStringLiteral("%1 ms for 1,000 rows").arg(median)));
}

QTEST_MAIN(bench_ActivityAdd)
#include "bench_activityadd.moc"
