#include "Color.h"
#include "FactoryDefaults.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QTest>

// The preferences a new installation starts from, as other parts read them.
class TestFactoryDefaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsAsRegistered_data();
    void readsAsRegistered();
    void consoleColoursAndFont();
    void storedValueWinsAndIsNeverOverwritten();
};

void TestFactoryDefaults::initTestCase()
{
    FactoryDefaults::registerAll();
}

void TestFactoryDefaults::readsAsRegistered_data()
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
    QTest::newRow("shouldAutoSave") << "shouldAutoSave" << qint64(1);
    QTest::newRow("refresh_option") << "refresh_option" << qint64(0);
}

void TestFactoryDefaults::readsAsRegistered()
{
    QFETCH(QString, key);
    QFETCH(qint64, number);
    QCOMPARE(UserDefaults::standard().integer(key), number);
}

void TestFactoryDefaults::consoleColoursAndFont()
{
    const UserDefaults& defaults = UserDefaults::standard();
    QCOMPARE(defaults.color(QStringLiteral("console_attr_color")), rv::Color(1, 0.45, 0.46, 1));
    QCOMPARE(defaults.color(QStringLiteral("draft_color")), rv::Color(0.36, 0.83, 1.0, 0.2));
    QCOMPARE(defaults.real(QStringLiteral("console_alpha")), 0.95);
    QVERIFY(!defaults.string(QStringLiteral("console_font")).isEmpty());
    QVERIFY(defaults.real(QStringLiteral("console_font_size")) >= 1.0);
}

void TestFactoryDefaults::storedValueWinsAndIsNeverOverwritten()
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setValue(QStringLiteral("num_entries"), 50);
    FactoryDefaults::registerAll(); // a second start-up
    QCOMPARE(defaults.integer(QStringLiteral("num_entries")), qint64(50));
    defaults.remove(QStringLiteral("num_entries"));
    QCOMPARE(defaults.integer(QStringLiteral("num_entries")), qint64(20));
}

QTEST_MAIN(TestFactoryDefaults)
#include "tst_factorydefaults.moc"
