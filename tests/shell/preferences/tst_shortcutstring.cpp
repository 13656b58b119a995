#include "AddonShortcuts.h"
#include "ShortcutRecorder.h"
#include "ShortcutString.h"
#include "UserDefaults.h"

#include <QKeySequence>
#include <QTemporaryDir>
#include <QTest>

// Add-on shortcuts: the stored strings, the keys they stand for on this
// desktop, and what the recording sheet makes of each key press.
class tst_ShortcutString : public QObject {
    Q_OBJECT
private slots:
    void toKeySequence_data();
    void toKeySequence();
    void fromKeyPress_data();
    void fromKeyPress();
    void recordedStringsComeBackAsTheirKeys();
    void recorderEndsOnEscapeAndReturn();
    void spaceClearsAndModifiersAloneChangeNothing();
    void storedShortcutsSurviveOddValues();
};

void tst_ShortcutString::toKeySequence_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QKeySequence>("keys");

    QTest::newRow("command-shift-K")
        << QString::fromUtf8("⌘⇧K") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K);
    QTest::newRow("command alone") << QString::fromUtf8("⌘E") << QKeySequence(Qt::CTRL | Qt::Key_E);
    QTest::newRow("every modifier")
        << QString::fromUtf8("⌘⌥⌃⇧P")
        << QKeySequence(Qt::CTRL | Qt::ALT | Qt::META | Qt::SHIFT | Qt::Key_P);
    QTest::newRow("option is Alt")
        << QString::fromUtf8("⌘⌥1") << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_1);
    QTest::newRow("control is Meta")
        << QString::fromUtf8("⌘⌃J") << QKeySequence(Qt::CTRL | Qt::META | Qt::Key_J);
    QTest::newRow("command is implied")
        << QStringLiteral("K") << QKeySequence(Qt::CTRL | Qt::Key_K);
    QTest::newRow("function key keeps its number")
        << QString::fromUtf8("⌘F5") << QKeySequence(Qt::CTRL | Qt::Key_F5);
    QTest::newRow("F12 with shift")
        << QString::fromUtf8("⌘⇧F12") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12);
    QTest::newRow("arrow glyph") << QString::fromUtf8("⌘⌥←")
                                 << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Left);
    QTest::newRow("tab glyph") << QString::fromUtf8("⌘⇥") << QKeySequence(Qt::CTRL | Qt::Key_Tab);
    QTest::newRow("punctuation") << QString::fromUtf8("⌘;")
                                 << QKeySequence(Qt::CTRL | Qt::Key_Semicolon);
    QTest::newRow("lower-case letter")
        << QString::fromUtf8("⌘k") << QKeySequence(Qt::CTRL | Qt::Key_K);
    QTest::newRow("unknown name: its last character")
        << QString::fromUtf8("⌘XY") << QKeySequence(Qt::CTRL | Qt::Key_Y);
    QTest::newRow("cleared") << QString() << QKeySequence();
    QTest::newRow("empty string") << QStringLiteral("") << QKeySequence();
    QTest::newRow("modifiers only") << QString::fromUtf8("⌘⇧") << QKeySequence();
}

void tst_ShortcutString::toKeySequence()
{
    QFETCH(QString, stored);
    QFETCH(QKeySequence, keys);
    QCOMPARE(ShortcutString::toKeySequence(stored), keys);
}

void tst_ShortcutString::fromKeyPress_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");

    QTest::newRow("Ctrl+Shift+K") << int(Qt::Key_K) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                  << "" << QString::fromUtf8("⌘⇧K");
    QTest::newRow("K alone gets command") << int(Qt::Key_K) << 0 << "k" << QString::fromUtf8("⌘K");
    QTest::newRow("modifiers in their order")
        << int(Qt::Key_P) << int(Qt::ShiftModifier | Qt::MetaModifier | Qt::AltModifier) << ""
        << QString::fromUtf8("⌘⌥⌃⇧P");
    QTest::newRow("F5") << int(Qt::Key_F5) << 0 << "" << QString::fromUtf8("⌘F5");
    QTest::newRow("left arrow") << int(Qt::Key_Left) << int(Qt::AltModifier) << ""
                                << QString::fromUtf8("⌘⌥←");
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << "" << QString::fromUtf8("⌘⌫");
    QTest::newRow("digit") << int(Qt::Key_7) << 0 << "7" << QString::fromUtf8("⌘7");
    QTest::newRow("shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << "" << QString();
    QTest::newRow("unknown key") << int(Qt::Key_unknown) << 0 << "" << QString();
}

void tst_ShortcutString::fromKeyPress()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QCOMPARE(ShortcutString::fromKeyPress(key, Qt::KeyboardModifiers(modifiers), text), stored);
}

void tst_ShortcutString::recordedStringsComeBackAsTheirKeys()
{
    const QList<QKeyCombination> presses = {
        QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_K),
        QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_F9),
        QKeyCombination(Qt::ControlModifier, Qt::Key_Down),
        QKeyCombination(Qt::ControlModifier | Qt::MetaModifier, Qt::Key_PageUp),
        QKeyCombination(Qt::ControlModifier, Qt::Key_Delete),
    };
    for (const QKeyCombination& press : presses) {
        const QString stored = ShortcutString::fromKeyPress(press.key(), press.keyboardModifiers());
        QCOMPARE(ShortcutString::toKeySequence(stored), QKeySequence(press));
    }
    QCOMPARE(ShortcutString::toNativeText(QString::fromUtf8("⌘⇧K")),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K).toString(QKeySequence::NativeText));
}

void tst_ShortcutString::recorderEndsOnEscapeAndReturn()
{
    ShortcutRecorder recorder(QString::fromUtf8("⌘E"));
    QCOMPARE(recorder.keyPressed(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier),
             ShortcutRecorder::Outcome::Continue);
    QCOMPARE(recorder.stored(), QString::fromUtf8("⌘⇧K"));
    QCOMPARE(recorder.keyPressed(Qt::Key_Return, Qt::NoModifier),
             ShortcutRecorder::Outcome::Accept);
    QCOMPARE(recorder.keyPressed(Qt::Key_Enter, Qt::KeypadModifier),
             ShortcutRecorder::Outcome::Accept);
    QCOMPARE(recorder.keyPressed(Qt::Key_Escape, Qt::NoModifier),
             ShortcutRecorder::Outcome::Cancel);
    // Neither Return nor Escape becomes the shortcut.
    QCOMPARE(recorder.stored(), QString::fromUtf8("⌘⇧K"));
}

void tst_ShortcutString::spaceClearsAndModifiersAloneChangeNothing()
{
    ShortcutRecorder recorder(QString::fromUtf8("⌘E"));
    recorder.keyPressed(Qt::Key_Shift, Qt::ShiftModifier);
    recorder.keyPressed(Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(recorder.stored(), QString::fromUtf8("⌘E"));
    QCOMPARE(recorder.keyPressed(Qt::Key_Space, Qt::NoModifier),
             ShortcutRecorder::Outcome::Continue);
    QVERIFY(recorder.stored().isEmpty());
    QCOMPARE(ShortcutString::toKeySequence(recorder.stored()), QKeySequence());
}

void tst_ShortcutString::storedShortcutsSurviveOddValues()
{
    QTemporaryDir folder;
    UserDefaults defaults(folder.filePath(QStringLiteral("prefs.conf")));
    // Not a dictionary: no shortcuts, and storing one starts a fresh dictionary.
    defaults.setValue(QStringLiteral("addon_shortcuts"), QStringLiteral("garbage"));
    QVERIFY(AddonShortcuts::read(defaults).isEmpty());
    AddonShortcuts::store(defaults, QStringLiteral("Edit With"), QString::fromUtf8("⌘⇧E"));
    AddonShortcuts::store(defaults, QStringLiteral("Scripts"), QString());

    UserDefaults reread(folder.filePath(QStringLiteral("prefs.conf")));
    const QMap<QString, QString> stored = AddonShortcuts::read(reread);
    QCOMPARE(stored.value(QStringLiteral("Edit With")), QString::fromUtf8("⌘⇧E"));
    QVERIFY(stored.contains(QStringLiteral("Scripts")));
    QCOMPARE(stored.value(QStringLiteral("Scripts")), QString());
    QCOMPARE(AddonShortcuts::shortcutFor(reread, QStringLiteral("Nobody")), QString());
}

QTEST_GUILESS_MAIN(tst_ShortcutString)
#include "tst_shortcutstring.moc"
