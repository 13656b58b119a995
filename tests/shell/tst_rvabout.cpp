#include "BrowserCatcher.h"
#include "RVAbout.h"
#include "ScreenshotSaver.h"

#include <QAbstractTextDocumentLayout>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

using plumet::test::BrowserCatcher;

class tst_RVAbout : public QObject {
    Q_OBJECT
private slots:
    void showsVersionAndCredits();
    void linksOpenInTheBrowserAndThePageStays();
    void closingHidesAndEmpties();
    void theBoxIsBorderlessAndSeeThrough();
};

void tst_RVAbout::showsVersionAndCredits()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("3.0.1"));
    RVAbout about;
    QCOMPARE(about.versionNumber(), QStringLiteral("3.0.1"));
    QVERIFY(!about.copyright().isEmpty());
    QVERIFY(!about.isShowing());
    about.about();
    QVERIFY(about.isShowing());
    QVERIFY(about.creditsView()->toPlainText().contains(QLatin1String("libplist")));
    QCOMPARE(about.creditsView()->contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(QTest::qWaitForWindowExposed(about.window()));
    plumet::test::saveScreenshot(about.window(), QStringLiteral("about-box"));
    QSignalSpy changed(&about, &RVAbout::versionNumberChanged);
    about.setVersionNumber(QStringLiteral("3.1"));
    QCOMPARE(changed.count(), 1);
}

void tst_RVAbout::linksOpenInTheBrowserAndThePageStays()
{
    BrowserCatcher browser;
    RVAbout about;
    about.about();
    QTextBrowser* credits = about.creditsView();
    QVERIFY(QTest::qWaitForWindowExposed(about.window()));
    const QString before = credits->toHtml();
    // Click in the middle of the link "HTML Tidy".
    QTextCursor found = credits->document()->find(QStringLiteral("HTML Tidy"));
    QVERIFY(!found.isNull());
    QTextCursor middle(credits->document());
    middle.setPosition(found.selectionStart() + 3);
    const QPoint at = credits->cursorRect(middle).center();
    QTest::mouseClick(credits->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(browser.opened(), QList<QUrl>{QUrl(QStringLiteral("https://www.html-tidy.org/"))});
    QCOMPARE(credits->toHtml(), before);
}

void tst_RVAbout::closingHidesAndEmpties()
{
    RVAbout about;
    about.about();
    about.closeAbout();
    QVERIFY(!about.isShowing());
    QVERIFY(about.creditsView()->toPlainText().isEmpty());
    // Showing again loads the credits again.
    about.about();
    QVERIFY(!about.creditsView()->toPlainText().isEmpty());
}

void tst_RVAbout::theBoxIsBorderlessAndSeeThrough()
{
    RVAbout about;
    QVERIFY(about.window()->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(about.window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(about.window()->testAttribute(Qt::WA_TranslucentBackground));
}

QTEST_MAIN(tst_RVAbout)
#include "tst_rvabout.moc"
