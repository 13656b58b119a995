#include "PluginProblemsDialog.h"
#include "ScreenshotSaver.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

using namespace plumet::test;

class tst_PluginProblemsDialog : public QObject {
    Q_OBJECT
private slots:
    void manyProblemsScrollInsideABoundedWindow();
};

void tst_PluginProblemsDialog::manyProblemsScrollInsideABoundedWindow()
{
    QStringList problems;
    for (int i = 1; i <= 15; ++i)
        problems << QStringLiteral("The bundle \"/home/ed/.local/share/plumet3/PlugIns/broken-%1."
                                   "blogsystem\" could not be loaded: its principal class does not "
                                   "answer the blog-system protocol.")
                        .arg(i);
    PluginProblemsDialog dialog(problems);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // Fifteen problems of two lines each would make a box well over 600 pixels high.
    QVERIFY2(dialog.height() < 420, qPrintable(QString::number(dialog.height())));
    QCOMPARE(dialog.details()->toPlainText(), problems.join(QStringLiteral("\n\n")));
    QVERIFY(dialog.details()->verticalScrollBar()->maximum() > 0);
    QVERIFY(dialog.details()->isReadOnly());

    saveScreenshot(&dialog, QStringLiteral("pluginproblems"));
}

QTEST_MAIN(tst_PluginProblemsDialog)
#include "tst_pluginproblemsdialog.moc"
