#include "UserDefaults.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class UserDefaultsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.isValid()); }
    void factoryValuesAnswerUntilSomethingIsStored();
    void valuesSurviveTheFile_data();
    void valuesSurviveTheFile();
    void typedGettersReadTextFromTheFile_data();
    void typedGettersReadTextFromTheFile();
    void changesAreSignalledPerKey();
    void standardLivesInTheConfigFolder();

private:
    // One file per data row: QSettings caches what it read per file name.
    QString path() const
    {
        return dir_.filePath(QString::fromUtf8(QTest::currentTestFunction()) +
                             QString::fromUtf8(QTest::currentDataTag()) + QStringLiteral(".conf"));
    }
    QTemporaryDir dir_;
};

void UserDefaultsTest::factoryValuesAnswerUntilSomethingIsStored()
{
    UserDefaults defaults(path());
    defaults.registerDefaults(
        {{"autoSave", 5}, {"console_bg_color", QVariant::fromValue(rv::Color(0, 0, 0, 1))}});
    QCOMPARE(defaults.integer("autoSave"), qint64(5));
    QCOMPARE(defaults.color("console_bg_color"), rv::Color(0, 0, 0, 1));
    QVERIFY(!defaults.value("timeout").isValid());

    defaults.setValue("autoSave", 9);
    QCOMPARE(defaults.integer("autoSave"), qint64(9));
    defaults.remove("autoSave");
    QCOMPARE(defaults.integer("autoSave"), qint64(5));

    // Factory values stay in memory only.
    UserDefaults reread(path());
    QVERIFY(!reread.value("autoSave").isValid());
    QVERIFY(!reread.value("console_bg_color").isValid());
}

void UserDefaultsTest::valuesSurviveTheFile_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("text") << QVariant(QStringLiteral("Menlo-Regular"));
    QTest::newRow("text starting with @") << QVariant(QStringLiteral("@list"));
    QTest::newRow("data") << QVariant(QByteArray("\0\1\2", 3));
    QTest::newRow("date") << QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6), Qt::UTC));
    QTest::newRow("one-element list") << QVariant(QVariantList{QStringLiteral("only")});
    QTest::newRow("empty list") << QVariant(QVariantList{});
    QTest::newRow("mixed list") << QVariant(QVariantList{1, 2.5, true, QStringLiteral("x")});
    QTest::newRow("dictionary") << QVariant(QVariantMap{{"t", QVariantMap{{"token", "abc"}}}});
    QTest::newRow("colour") << QVariant::fromValue(rv::Color(0.11, 1.0, 0.42, 0.2));
    QTest::newRow("colours nested") << QVariant(
        QVariantMap{{"list", QVariantList{QVariant::fromValue(rv::Color(1, 0.45, 0.46, 0.2))}}});
}

void UserDefaultsTest::valuesSurviveTheFile()
{
    QFETCH(QVariant, value);
    {
        UserDefaults defaults(path());
        defaults.setValue("key", value);
    }
    UserDefaults reread(path());
    QCOMPARE(reread.value("key"), value);
}

void UserDefaultsTest::typedGettersReadTextFromTheFile_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<qint64>("integer");
    QTest::addColumn<double>("real");
    QTest::addColumn<bool>("boolean");
    QTest::newRow("integer") << QByteArray("90") << qint64(90) << 90.0 << true;
    QTest::newRow("zero") << QByteArray("0") << qint64(0) << 0.0 << false;
    QTest::newRow("real") << QByteArray("0.95") << qint64(0) << 0.95 << true;
    QTest::newRow("true") << QByteArray("true") << qint64(0) << 0.0 << true;
    QTest::newRow("YES") << QByteArray("YES") << qint64(0) << 0.0 << true;
    QTest::newRow("false") << QByteArray("false") << qint64(0) << 0.0 << false;
    QTest::newRow("word") << QByteArray("maybe") << qint64(0) << 0.0 << false;
}

void UserDefaultsTest::typedGettersReadTextFromTheFile()
{
    QFETCH(QByteArray, stored);
    QFETCH(qint64, integer);
    QFETCH(double, real);
    QFETCH(bool, boolean);
    // As a user or an older version might have left the file.
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\nkey=" + stored + "\n");
    file.close();
    UserDefaults defaults(path());
    QCOMPARE(defaults.integer("key"), integer);
    QCOMPARE(defaults.real("key"), real);
    QCOMPARE(defaults.boolean("key"), boolean);
    QCOMPARE(defaults.string("key"), QString::fromUtf8(stored));
    // With a factory value, value() answers in the factory value's type.
    defaults.registerDefaults({{"key", 1.5}});
    if (stored == "90")
        QCOMPARE(defaults.value("key"), QVariant(90.0));
}

void UserDefaultsTest::changesAreSignalledPerKey()
{
    UserDefaults defaults(path());
    QSignalSpy spy(&defaults, &UserDefaults::changed);
    defaults.setValue("spell_check", false);
    defaults.remove("spell_check");
    defaults.remove("never_set");
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("spell_check"));
}

void UserDefaultsTest::standardLivesInTheConfigFolder()
{
    UserDefaults& defaults = UserDefaults::standard();
    QCOMPARE(&defaults, &UserDefaults::standard());
    QVERIFY(defaults.filePath().endsWith(QLatin1String("/plumet/plumet.conf")));
    QVERIFY(
        defaults.filePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME", "/nonexistent")) ||
        qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
}

QTEST_GUILESS_MAIN(UserDefaultsTest)
#include "tst_userdefaults.moc"
