#include "CaretSnapping.h"

#include <QTest>

using CaretSnapping::Range;

namespace {

// "ab[RUN-ONE]cd[R2]e": runs at 2..11 and 13..17 in a text of 18.
const Range RunOne{2, 9};
const Range RunTwo{13, 4};
constexpr qsizetype TextLength = 18;

std::optional<Range> runAt(qsizetype index)
{
    for (const Range& run : {RunOne, RunTwo}) {
        if (run.start <= index && index < run.end())
            return run;
    }
    return std::nullopt;
}

} // namespace

Q_DECLARE_METATYPE(Range)

class tst_CaretSnapping : public QObject {
    Q_OBJECT
private slots:
    void snap_data();
    void snap();
};

void tst_CaretSnapping::snap_data()
{
    QTest::addColumn<Range>("old");
    QTest::addColumn<Range>("proposed");
    QTest::addColumn<Range>("expected");
    QTest::newRow("outside runs") << Range{0, 0} << Range{1, 0} << Range{1, 0};
    QTest::newRow("at a run's start edge") << Range{0, 0} << Range{2, 0} << Range{2, 0};
    QTest::newRow("at a run's end edge") << Range{0, 0} << Range{11, 0} << Range{11, 0};
    QTest::newRow("at the text's end") << Range{0, 0} << Range{18, 0} << Range{18, 0};
    QTest::newRow("right arrow into a run crosses it")
        << Range{2, 0} << Range{3, 0} << Range{11, 0};
    QTest::newRow("left arrow into a run crosses it")
        << Range{11, 0} << Range{10, 0} << Range{2, 0};
    QTest::newRow("right arrow into a short run") << Range{13, 0} << Range{14, 0} << Range{17, 0};
    QTest::newRow("left arrow into a short run") << Range{17, 0} << Range{16, 0} << Range{13, 0};
    QTest::newRow("click in the first half") << Range{0, 0} << Range{5, 0} << Range{2, 0};
    QTest::newRow("click in the middle") << Range{0, 0} << Range{6, 0} << Range{11, 0};
    QTest::newRow("click in the second half") << Range{0, 0} << Range{9, 0} << Range{11, 0};
    QTest::newRow("step from a selection is a click") << Range{1, 1} << Range{3, 0} << Range{2, 0};
    QTest::newRow("selection covering a run") << Range{0, 0} << Range{2, 9} << Range{2, 9};
    QTest::newRow("selection ending inside grows") << Range{0, 0} << Range{0, 5} << Range{0, 11};
    QTest::newRow("selection starting inside grows") << Range{0, 0} << Range{7, 5} << Range{2, 10};
    QTest::newRow("selection over both runs' insides")
        << Range{0, 0} << Range{4, 11} << Range{2, 15};
}

void tst_CaretSnapping::snap()
{
    QFETCH(Range, old);
    QFETCH(Range, proposed);
    QFETCH(Range, expected);
    QCOMPARE(CaretSnapping::snap(old, proposed, TextLength, runAt), expected);
}

QTEST_GUILESS_MAIN(tst_CaretSnapping)
#include "tst_caretsnapping.moc"
