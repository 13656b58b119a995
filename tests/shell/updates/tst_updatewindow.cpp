#include "OneShotTimer.h"
#include "RVUpdater.h"
#include "ScreenshotSaver.h"
#include "UpdateWindow.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

class tst_UpdateWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void showsTheOffer();
    void offersInstallOnlyWhereItWorks_data();
    void offersInstallOnlyWhereItWorks();
    void togglesTheChangeListKeepingTheTopEdge();
    void cancelHidesTheWindow();

private:
    void make(bool canInstall);

    std::unique_ptr<RVUpdater> m_updater;
    std::unique_ptr<UpdateWindow> m_window;
    UpdateOffer m_offer;
    QPushButton* button(const QString& text) const;
};

void tst_UpdateWindow::make(bool canInstall)
{
    m_window.reset();
    RVUpdater::Environment environment;
    environment.feedAddress = [] { return QString(); };
    environment.canInstall = [canInstall] { return canInstall; };
    m_updater = std::make_unique<RVUpdater>(std::move(environment));
    m_window = std::make_unique<UpdateWindow>(*m_updater);
    m_updater->setPresenter(m_window.get());
}

void tst_UpdateWindow::init()
{
    make(true);
    m_offer.version = QStringLiteral("3.1");
    m_offer.changesList = QStringLiteral("<ul><li>Faster publishing</li></ul>");
    m_offer.fileSize = QStringLiteral("12582912");
    UserDefaults::sharedInstance().remove(QStringLiteral("showChanges"));
}

QPushButton* tst_UpdateWindow::button(const QString& text) const
{
    for (QPushButton* candidate : m_window->findChildren<QPushButton*>()) {
        if (candidate->text().contains(text))
            return candidate;
    }
    return nullptr;
}

void tst_UpdateWindow::showsTheOffer()
{
    m_window->showUpdate(m_offer);
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->header(), QStringLiteral("New version (3.1) available!"));
    QVERIFY(button(QStringLiteral("Download and Install")));
    QVERIFY(button(QStringLiteral("Cancel")));
    const auto* changes = m_window->findChild<QTextBrowser*>();
    QVERIFY(changes->toPlainText().contains(QLatin1String("Faster publishing")));
    // Hidden until asked for.
    QVERIFY(!m_window->changesShown());
}

void tst_UpdateWindow::offersInstallOnlyWhereItWorks_data()
{
    QTest::addColumn<bool>("canInstall");
    QTest::newRow("self-contained, with the key") << true;
    QTest::newRow("package-managed or without the key") << false;
}

void tst_UpdateWindow::offersInstallOnlyWhereItWorks()
{
    QFETCH(bool, canInstall);
    make(canInstall);
    m_window->showUpdate(m_offer);
    QPushButton* install = button(QStringLiteral("Download and Install"));
    QPushButton* download = nullptr;
    for (QPushButton* candidate : m_window->findChildren<QPushButton*>()) {
        if (candidate->text() == QStringLiteral("Download"))
            download = candidate;
    }
    QVERIFY(install && download);
    QCOMPARE(install->isVisible(), canInstall);
    QVERIFY(download->isVisible());
    // Return takes the road that works.
    QCOMPARE(install->isDefault(), canInstall);
    QCOMPARE(download->isDefault(), !canInstall);
    plumet::test::saveScreenshot(m_window.get(), canInstall
                                                     ? QStringLiteral("update-window")
                                                     : QStringLiteral("update-window-download"));
}

void tst_UpdateWindow::togglesTheChangeListKeepingTheTopEdge()
{
    m_window->showUpdate(m_offer);
    const QRect closed = m_window->frameGeometry();
    QPushButton* toggle = button(QStringLiteral("Show Changes"));
    QVERIFY(toggle);
    toggle->click();
    QVERIFY(m_window->changesShown());
    QVERIFY(UserDefaults::sharedInstance().boolean(QStringLiteral("showChanges")));
    const QRect open = m_window->frameGeometry();
    QVERIFY(open.height() > closed.height());
    QCOMPARE(open.top(), closed.top());

    toggle->click();
    QVERIFY(!m_window->changesShown());
    QCOMPARE(m_window->frameGeometry().height(), closed.height());
    QCOMPARE(m_window->frameGeometry().top(), closed.top());

    // The choice is remembered for the next announcement.
    toggle->click();
    m_window->hide();
    m_window->showUpdate(m_offer);
    QVERIFY(m_window->changesShown());
}

void tst_UpdateWindow::cancelHidesTheWindow()
{
    m_window->showUpdate(m_offer);
    button(QStringLiteral("Cancel"))->click();
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(tst_UpdateWindow)
#include "tst_updatewindow.moc"
