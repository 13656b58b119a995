#include "BrowserCatcher.h"
#include "DesktopLinks.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <QWidget>

using plumet::test::BrowserCatcher;

class tst_DesktopLinks : public QObject {
    Q_OBJECT
private slots:
    void onlyWebAndMailAddressesLeave_data();
    void onlyWebAndMailAddressesLeave();
    void aRefusalShowsInTheMainWindowWhenTheAskingWindowHasNoStatusBar();
};

void tst_DesktopLinks::onlyWebAndMailAddressesLeave_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("leaves");
    QTest::newRow("http") << "http://example.org/post" << true;
    QTest::newRow("https") << "https://example.org/a?b=1#c" << true;
    QTest::newRow("scheme in capitals") << "HTTPS://example.org/" << true;
    QTest::newRow("mailto") << "mailto:writer@example.org" << true;
    QTest::newRow("http without a host") << "http:relative/path" << false;
    QTest::newRow("empty mailto") << "mailto:" << false;
    QTest::newRow("javascript") << "javascript:alert(document.cookie)" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("smb") << "smb://server/share/run.desktop" << false;
    QTest::newRow("a program's own") << "x-launch://do?it=1" << false;
    QTest::newRow("data") << "data:text/html,<script>alert(1)</script>" << false;
    QTest::newRow("ftp") << "ftp://example.org/file" << false;
    QTest::newRow("no scheme") << "example.org/post" << false;
    QTest::newRow("nothing") << "" << false;
}

void tst_DesktopLinks::onlyWebAndMailAddressesLeave()
{
    QFETCH(QString, address);
    QFETCH(bool, leaves);
    const QUrl url(address);
    // Whatever gets through lands here, not on the desktop.
    BrowserCatcher desktop(
        {"http", "https", "mailto", "javascript", "file", "smb", "x-launch", "data", "ftp"});
    QMainWindow window;
    auto* bar = new QStatusBar;
    window.setStatusBar(bar);
    auto* inner = new QWidget;
    window.setCentralWidget(inner);

    QCOMPARE(DesktopLinks::mayLeave(url), leaves);
    QCOMPARE(DesktopLinks::open(url, inner), leaves);
    QCOMPARE(desktop.opened(), leaves ? QList<QUrl>{url} : QList<QUrl>{});
    if (leaves) {
        QVERIFY(bar->currentMessage().isEmpty());
    } else {
        QCOMPARE(bar->currentMessage(), DesktopLinks::refusal(url));
        QVERIFY(bar->currentMessage().contains(QLatin1String("was not opened")));
    }
}

void tst_DesktopLinks::aRefusalShowsInTheMainWindowWhenTheAskingWindowHasNoStatusBar()
{
    BrowserCatcher desktop({"javascript"});
    QMainWindow main;
    auto* bar = new QStatusBar;
    main.setStatusBar(bar);
    main.show();
    QWidget draftWindow;
    draftWindow.show();
    const QUrl url(QStringLiteral("javascript:alert(1)"));
    QVERIFY(!DesktopLinks::open(url, &draftWindow));
    QVERIFY(desktop.opened().isEmpty());
    QCOMPARE(bar->currentMessage(), DesktopLinks::refusal(url));

    // An address as long as a page is cut short on its one line.
    const QUrl huge(QStringLiteral("javascript:") + QString(100000, QLatin1Char('a')));
    QVERIFY(!DesktopLinks::open(huge, &draftWindow));
    QVERIFY(bar->currentMessage().size() < 300);
}

QTEST_MAIN(tst_DesktopLinks)
#include "tst_desktoplinks.moc"
