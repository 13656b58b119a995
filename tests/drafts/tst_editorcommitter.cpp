#include "EditorCommitter.h"
#include "FakeRichEditor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <memory>

class tst_EditorCommitter : public QObject {
    Q_OBJECT
private slots:
    void init();
    void editorsAnsweringAtOnceContinueBeforeRunReturns();
    void continuesOnlyOnceEveryEditorAnswered();
    void silentEditorFallsBackToItsLastContent_data();
    void silentEditorFallsBackToItsLastContent();
    void lateAnswerAfterFallbackIsIgnored();
    void roadsArrivingDuringACommitRunInOrderEachWithItsOwnCommit();
    void roadStartedByAContinuationWaitsForItToEnd();
    void editorGoneDuringCommitFallsBack();
    void stopDropsQueuedRoadsAndTheRunningContinuation();
    void noReadersContinuesAtOnce();

private:
    void makeEditors();
    EditorCommitter* committer();

    std::unique_ptr<QWidget> m_window;
    FakeRichEditor* m_main = nullptr;
    FakeRichEditor* m_sub = nullptr;
    EditorSlot m_mainSlot, m_subSlot;
    std::unique_ptr<EditorCommitter> m_committer;
};

void tst_EditorCommitter::init()
{
    m_committer.reset();
    m_window = std::make_unique<QWidget>();
    m_main = new FakeRichEditor(m_window.get());
    m_sub = new FakeRichEditor(m_window.get());
    m_mainSlot = EditorSlot{m_main, m_main, QStringLiteral("loaded body"), false, false};
    m_subSlot = EditorSlot{m_sub, m_sub, QStringLiteral("loaded extended"), false, false};
    m_main->content = m_mainSlot.lastKnown;
    m_sub->content = m_subSlot.lastKnown;
    m_main->setFailureHandler([this](const QString&) {
        m_mainSlot.failed = true;
        m_committer->editorFailed(&m_mainSlot);
    });
    m_main->setContentHandler([this](const QString& text) { m_mainSlot.lastKnown = text; });
}

EditorCommitter* tst_EditorCommitter::committer()
{
    if (!m_committer) {
        m_committer = std::make_unique<EditorCommitter>([this] {
            return QList<EditorCommitter::Reader>{{&m_mainSlot, QStringLiteral("body")},
                                                  {&m_subSlot, QStringLiteral("extended")}};
        });
        m_committer->setTimeout(300);
    }
    return m_committer.get();
}

void tst_EditorCommitter::editorsAnsweringAtOnceContinueBeforeRunReturns()
{
    m_main->content = QStringLiteral("typed body");
    EditorCommitter::Result seen;
    bool ran = false;
    committer()->run(QStringLiteral("save"), [&](const EditorCommitter::Result& result) {
        ran = true;
        seen = result;
    });
    QVERIFY(ran);
    QVERIFY(!committer()->busy());
    QVERIFY(seen.complete());
    QCOMPARE(seen.texts.value("body"), QStringLiteral("typed body"));
    QCOMPARE(seen.texts.value("extended"), QStringLiteral("loaded extended"));
    // What an editor answers is what it last handed over.
    QCOMPARE(m_mainSlot.lastKnown, QStringLiteral("typed body"));
}

void tst_EditorCommitter::continuesOnlyOnceEveryEditorAnswered()
{
    // The test answers for the editors, one after the other.
    m_main->answer = FakeRichEditor::Answer::Never;
    m_sub->answer = FakeRichEditor::Answer::Never;
    m_main->content = QStringLiteral("late body");
    m_sub->content = QStringLiteral("late extended");
    int ran = 0;
    EditorCommitter::Result seen;
    committer()->run(QStringLiteral("save"), [&](const EditorCommitter::Result& result) {
        ++ran;
        seen = result;
    });
    QCOMPARE(ran, 0);
    QVERIFY(committer()->busy());
    m_main->answerPending();
    QCOMPARE(ran, 0); // the sub editor has not answered yet
    QVERIFY(committer()->busy());
    m_sub->answerPending();
    QCOMPARE(ran, 1);
    QVERIFY(!committer()->busy());
    QVERIFY(seen.complete());
    QCOMPARE(seen.texts.value("body"), QStringLiteral("late body"));
    QCOMPARE(seen.texts.value("extended"), QStringLiteral("late extended"));
    // Nor does the time-out, once past, continue a second time.
    QTest::qWait(committer()->timeout() + 200);
    QCOMPARE(ran, 1);
}

void tst_EditorCommitter::silentEditorFallsBackToItsLastContent_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("pushedBefore");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("timeout");
    // A hung renderer counts once the time-out has passed; a dead one at
    // once, long before a time-out that the test could never reach.
    QTest::newRow("hangs, pushed")
        << int(FakeRichEditor::Answer::Never) << true << QStringLiteral("pushed text") << 300;
    QTest::newRow("hangs, never pushed")
        << int(FakeRichEditor::Answer::Never) << false << QStringLiteral("loaded body") << 300;
    QTest::newRow("dies, pushed") << int(FakeRichEditor::Answer::Fail) << true
                                  << QStringLiteral("pushed text") << 600000;
}

void tst_EditorCommitter::silentEditorFallsBackToItsLastContent()
{
    QFETCH(int, answer);
    QFETCH(bool, pushedBefore);
    QFETCH(QString, expected);
    QFETCH(int, timeout);

    m_main->answer = FakeRichEditor::Answer(answer);
    m_main->type(QStringLiteral("pushed text"), pushedBefore);
    m_main->type(QStringLiteral("typed after the last push"), false);
    committer()->setTimeout(timeout);
    QSignalSpy fellBack(committer(), &EditorCommitter::fellBack);
    std::optional<EditorCommitter::Result> seen;
    QElapsedTimer clock;
    clock.start();
    committer()->run(QStringLiteral("close"),
                     [&](const EditorCommitter::Result& result) { seen = result; });
    // The dead renderer's time-out lies far beyond this wait: that it
    // counts at all shows it counted at once.
    QTRY_VERIFY_WITH_TIMEOUT(seen.has_value(), 60000);
    if (FakeRichEditor::Answer(answer) == FakeRichEditor::Answer::Never) {
        // Not before the time-out (a coarse timer may fire a twentieth early).
        QVERIFY2(clock.elapsed() >= timeout * 95 / 100,
                 qPrintable(QString::number(clock.elapsed())));
    }
    QCOMPARE(seen->texts.value("body"), expected);
    QCOMPARE(seen->fellBack, QStringList{"body"});
    QVERIFY(!seen->complete());
    QCOMPARE(seen->texts.value("extended"), QStringLiteral("loaded extended"));
    QCOMPARE(fellBack.size(), 1);
    QCOMPARE(fellBack.first().at(0).toString(), QStringLiteral("close"));
}

void tst_EditorCommitter::lateAnswerAfterFallbackIsIgnored()
{
    m_main->answer = FakeRichEditor::Answer::Never;
    QList<EditorCommitter::Result> seen;
    committer()->run(QStringLiteral("save"),
                     [&](const EditorCommitter::Result& result) { seen.append(result); });
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 1, 30000);
    // The hung renderer comes back: its old answer belongs to no commit.
    m_main->content = QStringLiteral("late");
    m_main->answerPending();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().texts.value("body"), QStringLiteral("loaded body"));

    // The next commit asks again and gets the editor's answer.
    m_main->answer = FakeRichEditor::Answer::AtOnce;
    committer()->run(QStringLiteral("save"),
                     [&](const EditorCommitter::Result& result) { seen.append(result); });
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.last().texts.value("body"), QStringLiteral("late"));
}

void tst_EditorCommitter::roadsArrivingDuringACommitRunInOrderEachWithItsOwnCommit()
{
    m_main->answer = FakeRichEditor::Answer::Later;
    m_main->delay = 30;
    QStringList order;
    QStringList bodies;
    auto road = [&](const QString& name) {
        return [&, name](const EditorCommitter::Result& result) {
            order.append(name);
            bodies.append(result.texts.value("body"));
            // Each road may change the editors; the next one must see it.
            m_main->content = name + QStringLiteral(" done");
        };
    };
    committer()->run(QStringLiteral("save"), road(QStringLiteral("save")));
    committer()->run(QStringLiteral("switch"), road(QStringLiteral("switch")));
    committer()->run(QStringLiteral("close"), road(QStringLiteral("close")));
    QCOMPARE(committer()->currentRoad(), QStringLiteral("save"));
    QCOMPARE(committer()->queuedRoads(), (QStringList{"switch", "close"}));
    QTRY_COMPARE(order.size(), 3);
    QCOMPARE(order, (QStringList{"save", "switch", "close"}));
    QCOMPARE(bodies, (QStringList{"loaded body", "save done", "switch done"}));
    QCOMPARE(m_main->commits, 3);
}

void tst_EditorCommitter::roadStartedByAContinuationWaitsForItToEnd()
{
    QStringList order;
    committer()->run(QStringLiteral("outer"), [&](const EditorCommitter::Result&) {
        order.append("outer begins");
        committer()->run(QStringLiteral("inner"),
                         [&](const EditorCommitter::Result&) { order.append("inner"); });
        order.append("outer ends");
    });
    QCOMPARE(order, (QStringList{"outer begins", "outer ends", "inner"}));
}

void tst_EditorCommitter::editorGoneDuringCommitFallsBack()
{
    m_main->answer = FakeRichEditor::Answer::Later;
    m_main->delay = 50;
    m_mainSlot.lastKnown = QStringLiteral("pushed before the crash");
    std::optional<EditorCommitter::Result> seen;
    committer()->run(QStringLiteral("save"),
                     [&](const EditorCommitter::Result& result) { seen = result; });
    delete m_main; // the editor goes before it answers: it never calls back
    m_main = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(seen.has_value(), 30000);
    QCOMPARE(seen->texts.value("body"), QStringLiteral("pushed before the crash"));
    QCOMPARE(seen->fellBack, QStringList{"body"});

    // With the slot empty, later commits fall back without asking or waiting.
    seen.reset();
    committer()->run(QStringLiteral("save"),
                     [&](const EditorCommitter::Result& result) { seen = result; });
    QVERIFY(seen.has_value());
}

void tst_EditorCommitter::stopDropsQueuedRoadsAndTheRunningContinuation()
{
    m_main->answer = FakeRichEditor::Answer::Later;
    int ran = 0;
    committer()->run(QStringLiteral("save"), [&](const EditorCommitter::Result&) { ++ran; });
    committer()->run(QStringLiteral("close"), [&](const EditorCommitter::Result&) { ++ran; });
    committer()->stop();
    QVERIFY(!committer()->busy());
    QTest::qWait(100);
    QCOMPARE(ran, 0);
    committer()->run(QStringLiteral("save"), [&](const EditorCommitter::Result&) { ++ran; });
    QCOMPARE(ran, 0);
}

void tst_EditorCommitter::noReadersContinuesAtOnce()
{
    EditorCommitter empty([] { return QList<EditorCommitter::Reader>(); });
    bool ran = false;
    empty.run(QStringLiteral("save"), [&](const EditorCommitter::Result& result) {
        ran = true;
        QVERIFY(result.texts.isEmpty());
    });
    QVERIFY(ran);
}

QTEST_MAIN(tst_EditorCommitter)
#include "tst_editorcommitter.moc"
