#include "Color.h"
#include "FactoryDefaults.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QTest>

// The preferences a new installation starts from, as other parts read them.
class tst_FactoryDefaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsAsRegistered_data();
    void readsAsRegistered();
    void consoleColoursAndFont();
    void storedValueWinsAndIsNeverOverwritten();
};

void tst_FactoryDefaults::initTestCase()
{
    FactoryDefaults::registerAll();
}

void tst_FactoryDefaults::readsAsRegistered_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<qint64>("number");
    QTest::newRow("entries per request") << "num_entries" << qint64(20);
    // Excerpts are made from this many sentences; unregistered, none would be made.
    QTest::newRow("summary sentences") << "summary_num" << qint64(2);
    QTest::newRow("autosave minutes") << "autoSave" << qint64(5);
    QTest::newRow("rich editor") << "usesHTMLEditor" << qint64(0);
    QTest::newRow("keep old entries") << "keep_old_entries" << qint64(1);
    QTest::newRow("attachment days") << "remove_attachment_days" << qint64(5);
    // Expiry and the sheet for a new file are two keys.
    QTest::newRow("attachments expire") << "attachment_option" << qint64(1);
    QTest::newRow("sheet on add") << "attachment_sheet_on_add" << qint64(1);
    QTest::newRow("shouldAutoSave") << "shouldAutoSave" << qint64(1);
    QTest::newRow("refresh_option") << "refresh_option" << qint64(0);
}

void tst_FactoryDefaults::readsAsRegistered()
{
    QFETCH(QString, key);
    QFETCH(qint64, number);
    QCOMPARE(UserDefaults::sharedInstance().integer(key), number);
}

void tst_FactoryDefaults::consoleColoursAndFont()
{
    const UserDefaults& defaults = UserDefaults::sharedInstance();
    QCOMPARE(defaults.color(QStringLiteral("console_attr_color")), rv::Color(1, 0.45, 0.46, 1));
    QCOMPARE(defaults.color(QStringLiteral("draft_color")), rv::Color(0.36, 0.83, 1.0, 0.2));
    QCOMPARE(defaults.real(QStringLiteral("console_alpha")), 0.95);
    QVERIFY(!defaults.string(QStringLiteral("console_font")).isEmpty());
    QVERIFY(defaults.real(QStringLiteral("console_font_size")) >= 1.0);
}

void tst_FactoryDefaults::storedValueWinsAndIsNeverOverwritten()
{
    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.setValue(QStringLiteral("num_entries"), 50);
    FactoryDefaults::registerAll(); // a second start-up
    QCOMPARE(defaults.integer(QStringLiteral("num_entries")), qint64(50));
    defaults.remove(QStringLiteral("num_entries"));
    QCOMPARE(defaults.integer(QStringLiteral("num_entries")), qint64(20));
}

QTEST_MAIN(tst_FactoryDefaults)
#include "tst_factorydefaults.moc"
