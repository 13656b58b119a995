#include "Benchmark.h"

#include <QStandardPaths>
#include <QTest>

using plumet::test::compareWithPython;

class tst_Benchmark : public QObject {
    Q_OBJECT
private slots:
    void pythonAnchorMustAnswer_data();
    void pythonAnchorMustAnswer();
};

void tst_Benchmark::pythonAnchorMustAnswer_data()
{
    QTest::addColumn<QByteArray>("step");
    QTest::addColumn<bool>("passes");
    QTest::newRow("answers") << QByteArray("xmlrpc.client.loads(data)") << true;
    // A broken anchor is a failed benchmark, not a skipped one.
    QTest::newRow("raises") << QByteArray("xmlrpc.client.loads(data[:-5])") << false;
    QTest::newRow("exits") << QByteArray("sys.exit(3)") << false;
    QTest::newRow("answers no time") << QByteArray("print('ready', flush=True)") << false;
}

void tst_Benchmark::pythonAnchorMustAnswer()
{
    QFETCH(QByteArray, step);
    QFETCH(bool, passes);
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        QSKIP("no python3 here");
    const QByteArray answer = "<?xml version=\"1.0\"?><methodResponse><params><param><value>"
                              "<string>ok</string></value></param></params></methodResponse>";
    int ourRuns = 0;
    const bool ran = compareWithPython("anchor_probe", QStringLiteral("Python"), "",
                                       step.constData(), answer, 3, [&] {
                                           ++ourRuns;
                                           return 1.0;
                                       });
    QCOMPARE(ran, passes);
    if (passes)
        QCOMPARE(ourRuns, 3);
}

QTEST_GUILESS_MAIN(tst_Benchmark)
#include "tst_benchmark.moc"
