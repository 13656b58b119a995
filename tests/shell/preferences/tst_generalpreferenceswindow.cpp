#include "Color.h"
#include "DefaultsBinding.h"
#include "FactoryDefaults.h"
#include "FactorySettings.h"
#include "GeneralPreferencesWindow.h"
#include "NotificationCenter.h"
#include "OneShotTimer.h"
#include "RVUpdater.h"
#include "ScreenshotSaver.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

// The General preferences window: every preference has its control, and the
// Factory Settings button puts them back.
class tst_GeneralPreferencesWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void everyGeneralPreferenceHasAControl();
    void factorySettings();
    void updateSwitchTakesEffectAtOnce();
    void screenshot();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    NotificationCenter m_center;
};

void tst_GeneralPreferencesWindow::init()
{
    QFile::remove(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_defaults = std::make_unique<UserDefaults>(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_defaults->registerDefaults(FactoryDefaults::values());
}

void tst_GeneralPreferencesWindow::everyGeneralPreferenceHasAControl()
{
    GeneralPreferencesWindow window(*m_defaults, m_center, FactoryDefaults::values());
    const QStringList bound = window.binding().boundKeys();
    QStringList expected = FactoryDefaults::values().keys();
    // The console's keys are set in the console's own options, the find
    // panel's in the find panel.
    expected.removeIf([](const QString& key) {
        return key.startsWith(QLatin1String("console_")) || key.startsWith(QLatin1String("find_"));
    });
    expected << QStringLiteral("timeout");
    for (const QString& key : expected)
        QVERIFY2(bound.contains(key), qPrintable(key));
    // Everything the Factory Settings button writes can be seen being written.
    for (const QString& key : FactorySettings::keys())
        QVERIFY2(bound.contains(key), qPrintable(key));
    // Nothing reads it, so nothing offers it.
    QVERIFY(!bound.contains(QStringLiteral("auto_remove_attachment")));
    QVERIFY(!FactoryDefaults::values().contains(QStringLiteral("auto_remove_attachment")));
}

// Turning "Check for new versions" off stops the timed checks there and
// then, not when some other window closes.
void tst_GeneralPreferencesWindow::updateSwitchTakesEffectAtOnce()
{
    GeneralPreferencesWindow window(*m_defaults, NotificationCenter::sharedInstance(),
                                    FactoryDefaults::values());
    RVUpdater::Environment environment;
    environment.feedAddress = [] { return QStringLiteral("https://updates.example/plumet.xml"); };
    environment.versionCheck = [this] { return m_defaults->integer("versionCheck") != 0; };
    RVUpdater updater(std::move(environment));
    QCheckBox* updates = nullptr;
    for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
        if (box->text() == QStringLiteral("Check for new versions"))
            updates = box;
    }
    QVERIFY(updates);
    m_defaults->setValue(QStringLiteral("versionCheck"), 1);
    updater.handlePeriodicCheck();
    QVERIFY(updater.isCheckPending());

    updates->click();
    QCOMPARE(m_defaults->integer("versionCheck"), 0);
    QVERIFY(!updater.isCheckPending());
    updates->click();
    QVERIFY(updater.isCheckPending());
}

void tst_GeneralPreferencesWindow::factorySettings()
{
    GeneralPreferencesWindow window(*m_defaults, m_center, FactoryDefaults::values());
    m_defaults->setValue(QStringLiteral("num_entries"), 50);
    m_defaults->setValue(QStringLiteral("startup_animation"), true);
    m_defaults->setValue(QStringLiteral("spell_check"), false);
    m_defaults->setValue(QStringLiteral("alpha_draft"), 0.4);
    m_defaults->setColor(QStringLiteral("edited_color"), rv::Color(0, 0, 1, 1));
    m_defaults->setValue(QStringLiteral("find_case"), true);
    m_defaults->setValue(QStringLiteral("find_wrap"), false);
    m_defaults->setValue(QStringLiteral("console_alpha"), 0.5);
    m_defaults->setColor(QStringLiteral("console_bg_color"), rv::Color(1, 1, 1, 1));
    m_defaults->setValue(QStringLiteral("console_font_size"), 14.0);

    int labelChanges = 0;
    QObject observer;
    m_center.observe(QStringLiteral("labelChanged"), &observer,
                     [&labelChanges](const Notification&) { ++labelChanges; });
    auto* button = window.findChild<QPushButton*>(QStringLiteral("factorySettings"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);

    QCOMPARE(m_defaults->integer(QStringLiteral("num_entries")), qint64(20));
    QCOMPARE(m_defaults->boolean(QStringLiteral("spell_check")), true);
    QCOMPARE(m_defaults->real(QStringLiteral("alpha_draft")), 1.0);
    // Two values differ from the registered ones on purpose.
    QCOMPARE(m_defaults->boolean(QStringLiteral("startup_animation")), false);
    QCOMPARE(m_defaults->integer(QStringLiteral("timeout")), qint64(90));
    QVERIFY(m_defaults->color(QStringLiteral("edited_color"))
                .isEqualToColor(rv::Color(0.9, 0.2, 0.2, 1)));
    QVERIFY(m_defaults->color(QStringLiteral("local_color"))
                .isEqualToColor(rv::Color(0.11, 1.0, 0.42, 0.2)));
    QCOMPARE(m_defaults->value(QStringLiteral("local_color")).toString(),
             QStringLiteral("#331cff6b"));
    QCOMPARE(labelChanges, 1);

    // The find panel's and the console's preferences are left alone.
    QCOMPARE(m_defaults->boolean(QStringLiteral("find_case")), true);
    QCOMPARE(m_defaults->boolean(QStringLiteral("find_wrap")), false);
    QCOMPARE(m_defaults->real(QStringLiteral("console_alpha")), 0.5);
    QCOMPARE(m_defaults->color(QStringLiteral("console_bg_color")), rv::Color(1, 1, 1, 1));
    QCOMPARE(m_defaults->real(QStringLiteral("console_font_size")), 14.0);

    // The controls show what was put back.
    auto* count =
        qobject_cast<QSpinBox*>(window.binding().widgetFor(QStringLiteral("num_entries")));
    QVERIFY(count);
    QCOMPARE(count->value(), 20);
}

void tst_GeneralPreferencesWindow::screenshot()
{
    GeneralPreferencesWindow window(*m_defaults, m_center, FactoryDefaults::values());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    saveScreenshot(&window, QStringLiteral("general-preferences"));
}

QTEST_MAIN(tst_GeneralPreferencesWindow)
#include "tst_generalpreferenceswindow.moc"
