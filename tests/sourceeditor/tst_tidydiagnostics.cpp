#include "HtmlTidy.h"
#include "TidyDiagnostics.h"

#include <QTest>

using TidyDiagnostics::ErrorSpot;

class tst_TidyDiagnostics : public QObject {
    Q_OBJECT
private slots:
    void firstError_data();
    void firstError();
    void noLineCounts();
    void tidysEndOfLineColumnIsClamped();
    void tint_data();
    void tint();
};

void tst_TidyDiagnostics::firstError_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("lineStart");
    QTest::addColumn<int>("lineLength");
    QTest::addColumn<int>("character");

    const QString text = QStringLiteral("<p>one\n<b>two\n\nfour</p>");
    QTest::newRow("first line") << "line 1 column 4 - Warning: x" << text << 1 << 0 << 6 << 3;
    QTest::newRow("second line") << "line 2 column 1 - Warning: x" << text << 2 << 7 << 6 << 7;
    QTest::newRow("short line skipped")
        << "Warning: nothing\nline 4 column 2 - Warning: x" << text << 4 << 15 << 8 << 16;
    QTest::newRow("line past the text skipped")
        << "line 9 column 1 - Error: x\nline 2 column 3 - Warning: y" << text << 2 << 7 << 6 << 9;
    QTest::newRow("line before the text skipped")
        << "line -1 column 1 - Warning: doctype\nline 1 column 1 - Warning: z" << text << 1 << 0
        << 6 << 0;
    QTest::newRow("not a number skipped")
        << "line x column 1 - a\nline 1 column 2 - b" << text << 1 << 0 << 6 << 1;
    // Tidy names the position after a line's last character: it is clamped.
    QTest::newRow("column past the end")
        << "line 2 column 7 - Warning: missing </b>" << text << 2 << 7 << 6 << 12;
    QTest::newRow("column far past the end") << "line 1 column 400 - x" << text << 1 << 0 << 6 << 5;
    QTest::newRow("column zero") << "line 1 column 0 - x" << text << 1 << 0 << 6 << 0;
    QTest::newRow("empty line has no character")
        << "line 3 column 1 - x" << text << 3 << 14 << 0 << -1;
}

void tst_TidyDiagnostics::firstError()
{
    QFETCH(QString, report);
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(int, lineStart);
    QFETCH(int, lineLength);
    QFETCH(int, character);
    const std::optional<ErrorSpot> spot = TidyDiagnostics::firstError(report, text);
    QVERIFY(spot);
    QCOMPARE(spot->line, line);
    QCOMPARE(spot->lineStart, lineStart);
    QCOMPARE(spot->lineLength, lineLength);
    QCOMPARE(spot->character, character);
    QVERIFY(report.split(QLatin1Char('\n')).contains(spot->message));
}

void tst_TidyDiagnostics::noLineCounts()
{
    QVERIFY(!TidyDiagnostics::firstError(QStringLiteral("Warning: x\nline 5 column 1 - y"),
                                         QStringLiteral("one line")));
    QVERIFY(!TidyDiagnostics::firstError(QString(), QStringLiteral("text")));
}

void tst_TidyDiagnostics::tidysEndOfLineColumnIsClamped()
{
    // Tidy reports the missing end tag where the document ends, one column
    // past the last character of the last line.
    const QString html = QStringLiteral("<p>first</p>\n<p>an <b>open");
    const HtmlTidy::Validation validation = HtmlTidy::validate(html);
    QVERIFY(!validation.valid);
    const std::optional<ErrorSpot> spot = TidyDiagnostics::firstError(validation.report, html);
    QVERIFY2(spot, qPrintable(validation.report));
    QCOMPARE(spot->line, 2);
    QVERIFY(spot->character >= spot->lineStart);
    QVERIFY(spot->character < spot->lineStart + spot->lineLength);
}

void tst_TidyDiagnostics::tint_data()
{
    QTest::addColumn<QColor>("background");
    QTest::newRow("white") << QColor(Qt::white);
    QTest::newRow("light blue") << QColor::fromRgbF(0.8f, 0.9f, 1.0f);
    QTest::newRow("black") << QColor(Qt::black);
    QTest::newRow("dark red") << QColor::fromRgbF(0.3f, 0.05f, 0.05f);
}

void tst_TidyDiagnostics::tint()
{
    QFETCH(QColor, background);
    const QColor tint = TidyDiagnostics::errorLineTint(background);
    const float brightness = background.valueF();
    if (brightness >= 0.5f) {
        QVERIFY(tint.valueF() < brightness);
        QCOMPARE_GE(tint.hsvSaturationF(), background.hsvSaturationF());
    } else {
        QVERIFY(tint.valueF() > brightness);
        QCOMPARE_LE(tint.hsvSaturationF(), background.hsvSaturationF());
    }
    QCOMPARE(tint.alphaF(), background.alphaF());
    if (background.hsvSaturationF() > 0.04f)
        QVERIFY(qAbs(tint.hsvHueF() - background.hsvHueF()) < 0.01f);
}

QTEST_GUILESS_MAIN(tst_TidyDiagnostics)
#include "tst_tidydiagnostics.moc"
