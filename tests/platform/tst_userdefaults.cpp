#include "UserDefaults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

class tst_UserDefaults : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.isValid()); }
    void factoryValuesAnswerUntilSomethingIsStored();
    void valuesSurviveTheFile_data();
    void valuesSurviveTheFile();
    void typedGettersReadTextFromTheFile_data();
    void typedGettersReadTextFromTheFile();
    void unusableIntegerGivesWayToTheFactoryValue();
    void missingFolderIsMadePrivate();
    void changesAreSignalledPerKey();
    void coloursAreStoredAsText_data();
    void coloursAreStoredAsText();
    void standardLivesInTheConfigFolder();
    void warnsOnlyWhenASaveFails();
    void whatIsNoFileIsMovedAsideUnread_data();
    void whatIsNoFileIsMovedAsideUnread();

private:
    // One file per data row: QSettings caches what it read per file name.
    QString path() const
    {
        return dir_.filePath(QString::fromUtf8(QTest::currentTestFunction()) +
                             QString::fromUtf8(QTest::currentDataTag()) + QStringLiteral(".conf"));
    }
    QTemporaryDir dir_;
};

void tst_UserDefaults::factoryValuesAnswerUntilSomethingIsStored()
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

void tst_UserDefaults::valuesSurviveTheFile_data()
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

void tst_UserDefaults::valuesSurviveTheFile()
{
    QFETCH(QVariant, value);
    {
        UserDefaults defaults(path());
        defaults.setValue("key", value);
    }
    UserDefaults reread(path());
    QCOMPARE(reread.value("key"), value);
}

void tst_UserDefaults::typedGettersReadTextFromTheFile_data()
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
    QTest::newRow("exponent") << QByteArray("1.5e3") << qint64(1500) << 1500.0 << true;
    // No 64-bit integer holds these: refused, never converted out of range.
    QTest::newRow("1e30") << QByteArray("1e30") << qint64(0) << 1e30 << true;
    QTest::newRow("-1e30") << QByteArray("-1e30") << qint64(0) << -1e30 << true;
    QTest::newRow("2^63 as a real")
        << QByteArray("9.223372036854775808e18") << qint64(0) << 9.223372036854775808e18 << true;
}

void tst_UserDefaults::typedGettersReadTextFromTheFile()
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

void tst_UserDefaults::unusableIntegerGivesWayToTheFactoryValue()
{
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\nautoSave=1e30\n");
    file.close();
    UserDefaults defaults(path());
    defaults.registerDefaults({{"autoSave", 5}});
    QCOMPARE(defaults.integer("autoSave"), qint64(5));
}

void tst_UserDefaults::missingFolderIsMadePrivate()
{
    const QString folder = dir_.filePath(QStringLiteral("config/plumet"));
    UserDefaults defaults(folder + QStringLiteral("/plumet.conf"));
    defaults.setValue("autoSave", 7);
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/plumet.conf")));
    const QFile::Permissions forAnyone = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                         QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFileInfo(folder).permissions() & forAnyone, QFile::Permissions());
}

void tst_UserDefaults::changesAreSignalledPerKey()
{
    UserDefaults defaults(path());
    QSignalSpy spy(&defaults, &UserDefaults::changed);
    defaults.setValue("spell_check", false);
    defaults.remove("spell_check");
    defaults.remove("never_set");
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("spell_check"));
}

void tst_UserDefaults::standardLivesInTheConfigFolder()
{
    UserDefaults& defaults = UserDefaults::sharedInstance();
    QCOMPARE(&defaults, &UserDefaults::sharedInstance());
    QVERIFY(defaults.filePath().endsWith(QLatin1String("/plumet/plumet.conf")));
    QVERIFY(
        defaults.filePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME", "/nonexistent")) ||
        qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
}

void tst_UserDefaults::coloursAreStoredAsText_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected"); // #AARRGGBB of the colour read, or "fallback"
    QTest::newRow("with opacity") << QVariant(QStringLiteral("#331cff6b")) << "#331cff6b";
    QTest::newRow("opaque, six digits") << QVariant(QStringLiteral("#00ff00")) << "#ff00ff00";
    QTest::newRow("colour value") << QVariant::fromValue(rv::Color(1, 0, 0, 1)) << "#ffff0000";
    QTest::newRow("not a colour") << QVariant(QStringLiteral("green")) << "fallback";
    QTest::newRow("short form") << QVariant(QStringLiteral("#0f0")) << "fallback";
    QTest::newRow("number") << QVariant(12) << "fallback";
}

void tst_UserDefaults::coloursAreStoredAsText()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expected);
    {
        UserDefaults defaults(path());
        defaults.setValue("c", stored);
    }
    UserDefaults reread(path());
    const rv::Color fallback(0.5, 0.5, 0.5, 0.5);
    const rv::Color read = reread.color("c", fallback);
    if (expected == QLatin1String("fallback"))
        QCOMPARE(read, fallback);
    else
        QCOMPARE(read.toQColor().name(QColor::HexArgb), expected);

    // Written by setColor, a colour is the readable text and reads back alike.
    reread.setColor("d", rv::Color(0.11, 1.0, 0.42, 0.2));
    QCOMPARE(reread.value("d").toString(), QStringLiteral("#331cff6b"));
    QVERIFY(reread.color("d").isEqualToColor(rv::Color(0.11, 1.0, 0.42, 0.2)));
}

void tst_UserDefaults::warnsOnlyWhenASaveFails()
{
    // A damaged line read at start: the next save writes a clean file, and
    // says nothing.
    {
        QFile damaged(path());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("[General\nkey=\"unterminated\n");
    }
    {
        UserDefaults defaults(path());
        QTest::failOnWarning(QRegularExpression(QStringLiteral("could not be saved")));
        defaults.setValue(QStringLiteral("fontSize"), 14);
    }
    QCOMPARE(UserDefaults(path()).integer(QStringLiteral("fontSize")), 14);

    // A file that cannot be written: the save fails, and says so.
    QFile blocker(dir_.filePath(QStringLiteral("not-a-folder")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    UserDefaults unwritable(blocker.fileName() + QStringLiteral("/defaults.conf"));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^The preferences could not be saved")));
    unwritable.setValue(QStringLiteral("fontSize"), 14);
}

void tst_UserDefaults::whatIsNoFileIsMovedAsideUnread_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("size"); // of a sparse file
    QTest::addColumn<QString>("reason");
    const QString irregular = QStringLiteral("not a regular file");
    const QString tooLarge = QStringLiteral("too large: %1 bytes");
    QTest::newRow("FIFO") << QStringLiteral("fifo") << qint64(0) << irregular;
    QTest::newRow("link to the zero device") << QStringLiteral("zero") << qint64(0) << irregular;
    QTest::newRow("folder") << QStringLiteral("folder") << qint64(0) << irregular;
    const qint64 overTheCap = UserDefaults::MaxFileSize + 1;
    QTest::newRow("one byte over the cap")
        << QStringLiteral("file") << overTheCap << tooLarge.arg(overTheCap);
    const qint64 huge = qint64(3) << 30;
    QTest::newRow("three gibibytes") << QStringLiteral("file") << huge << tooLarge.arg(huge);
}

void tst_UserDefaults::whatIsNoFileIsMovedAsideUnread()
{
    QFETCH(QString, kind);
    QFETCH(qint64, size);
    QFETCH(QString, reason);
    const QString file = path();
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    } else if (kind == QLatin1String("zero")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
    } else if (kind == QLatin1String("file")) {
        QFile sparse(file);
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.write("[General]\nfontSize=20\n") > 0);
        QVERIFY(sparse.resize(size));
    } else {
        QVERIFY(QDir().mkpath(file));
    }

    // The start neither waits for a writer nor reads without end, nor holds a
    // file of gigabytes in memory.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(reason)));
    QElapsedTimer timer;
    timer.start();
    {
        UserDefaults defaults(file);
        // Said to the user: what was wrong, and where the file went.
        QVERIFY2(defaults.loadReport().contains(reason), qPrintable(defaults.loadReport()));
        QVERIFY2(defaults.loadReport().contains(QLatin1String(".unreadable")),
                 qPrintable(defaults.loadReport()));
        defaults.registerDefaults({{"fontSize", 12}});
        QCOMPARE(defaults.integer(QStringLiteral("fontSize")), 12);
        defaults.setValue(QStringLiteral("fontSize"), 14);
    }
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    const QStringList aside =
        QDir(dir_.path())
            .entryList({QFileInfo(file).fileName() + QStringLiteral(".*.unreadable")},
                       QDir::AllEntries | QDir::System);
    QCOMPARE(aside.size(), 1);
    if (size > 0)
        QCOMPARE(QFileInfo(dir_.filePath(aside.first())).size(), size);
    QVERIFY(QFileInfo(file).isFile() && !QFileInfo(file).isSymLink());
    const UserDefaults again(file);
    QCOMPARE(again.integer(QStringLiteral("fontSize")), 14);
    QVERIFY(again.loadReport().isEmpty());
}

QTEST_GUILESS_MAIN(tst_UserDefaults)
#include "tst_userdefaults.moc"
