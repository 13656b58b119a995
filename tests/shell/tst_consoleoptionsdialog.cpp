#include "ConsoleObject.h"
#include "ConsoleOptionsDialog.h"
#include "ConsoleStyle.h"
#include "ScreenshotSaver.h"
#include "UserDefaults.h"

#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QPushButton>
#include <QTest>

using plumet::test::saveScreenshot;

// The console's options sheet, as the console's Options command opens it:
// each of its controls writes its console key, and the console follows.
class tst_ConsoleOptionsDialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void colours_data();
    void colours();
    void fontTakesFamilyAndSize();
    void opacity();

private:
    // The panel the sheet opened over itself.
    template <class Panel> Panel* openPanel(const QString& button);

    QPointer<ConsoleOptionsDialog> m_sheet;
};

void tst_ConsoleOptionsDialog::init()
{
    ConsoleObject* console = ConsoleObject::sharedInstance();
    console->showWindow();
    console->handlePrefs();
    m_sheet = console->findChild<ConsoleOptionsDialog*>();
    QVERIFY(m_sheet);
    QVERIFY(m_sheet->isVisible());
}

void tst_ConsoleOptionsDialog::cleanup()
{
    if (m_sheet)
        m_sheet->close();
    ConsoleObject::sharedInstance()->hideWindow();
}

template <class Panel> Panel* tst_ConsoleOptionsDialog::openPanel(const QString& button)
{
    auto* control = m_sheet->findChild<QPushButton*>(button);
    if (!control)
        return nullptr;
    control->click();
    // Panels closed before are hidden until they are deleted.
    for (Panel* panel : m_sheet->findChildren<Panel*>())
        if (panel->isVisible())
            return panel;
    return nullptr;
}

void tst_ConsoleOptionsDialog::colours_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("background") << "console_bg_color";
    QTest::newRow("text") << "console_text_color";
    QTest::newRow("tags") << "console_html_color";
    QTest::newRow("attribute values") << "console_attr_color";
    QTest::newRow("brackets") << "console_brck_color";
}

void tst_ConsoleOptionsDialog::colours()
{
    QFETCH(QString, key);
    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.remove(key);
    // Cancelled: nothing written.
    QColorDialog* panel = openPanel<QColorDialog>(key);
    QVERIFY(panel);
    QVERIFY(panel->testOption(QColorDialog::ShowAlphaChannel));
    panel->setCurrentColor(QColor(10, 20, 30));
    panel->reject();
    QVERIFY(!defaults.value(key).isValid());

    const QColor chosen(200, 100, 50, 128);
    panel = openPanel<QColorDialog>(key);
    QVERIFY(panel);
    panel->setCurrentColor(chosen);
    panel->accept();
    QCOMPARE(defaults.color(key).toQColor().rgba(), chosen.rgba());
    const ConsoleStyle style = ConsoleStyle::fromDefaults();
    const QColor shown = key == QLatin1String("console_bg_color")     ? style.background
                         : key == QLatin1String("console_text_color") ? style.text
                         : key == QLatin1String("console_html_color") ? style.code
                         : key == QLatin1String("console_attr_color") ? style.attribute
                                                                      : style.bracket;
    QCOMPARE(shown.rgba(), chosen.rgba());
    defaults.remove(key);
}

void tst_ConsoleOptionsDialog::fontTakesFamilyAndSize()
{
    UserDefaults& defaults = UserDefaults::sharedInstance();
    const QStringList families = QFontDatabase::families();
    QVERIFY(!families.isEmpty());
    QFontDialog* panel = openPanel<QFontDialog>(QStringLiteral("console_font"));
    QVERIFY(panel);
    saveScreenshot(m_sheet, QStringLiteral("console-options"));
    panel->setCurrentFont(QFont(families.first(), 13));
    panel->accept();
    QCOMPARE(defaults.string(QStringLiteral("console_font")), panel->selectedFont().family());
    QCOMPARE(defaults.real(QStringLiteral("console_font_size")), 13.0);
    QCOMPARE(ConsoleStyle::fromDefaults().font.pointSize(), 13);
    // The sheet names the font now in force.
    auto* button = m_sheet->findChild<QPushButton*>(QStringLiteral("console_font"));
    QVERIFY(button->text().endsWith(QStringLiteral(" 13")));
    defaults.remove(QStringLiteral("console_font"));
    defaults.remove(QStringLiteral("console_font_size"));
}

void tst_ConsoleOptionsDialog::opacity()
{
    auto* opacity = m_sheet->findChild<QDoubleSpinBox*>(QStringLiteral("console_alpha"));
    QVERIFY(opacity);
    opacity->setValue(0.5);
    QCOMPARE(UserDefaults::sharedInstance().real(QStringLiteral("console_alpha")), 0.5);
    // The window keeps its opacity in steps of 1/255.
    QVERIFY(qAbs(ConsoleObject::sharedInstance()->windowOpacity() - 0.5) < 0.005);
    UserDefaults::sharedInstance().remove(QStringLiteral("console_alpha"));
}

QTEST_MAIN(tst_ConsoleOptionsDialog)
#include "tst_consoleoptionsdialog.moc"
