#include "HtmlSyntax.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

using namespace HtmlSyntax;

namespace {

char letter(Kind kind)
{
    switch (kind) {
    case Kind::Plain:
        return '.';
    case Kind::Tag:
        return 't';
    case Kind::Value:
        return 'v';
    case Kind::Bracket:
        return 'b';
    }
    return '?';
}

// One letter per character: . plain, t tag, v value, b bracket.
QString picture(const QList<Span>& spans, qsizetype length)
{
    QString result(length, QLatin1Char('?'));
    for (const Span& span : spans) {
        for (qsizetype i = span.start; i < span.start + span.length; ++i)
            result[i] = QLatin1Char(letter(span.kind));
    }
    return result;
}

class ListLines : public Lines {
public:
    explicit ListLines(QStringList lines) : m_lines(std::move(lines)) {}
    int count() const override { return int(m_lines.size()); }
    QString line(int number) const override { return m_lines.at(number); }

private:
    QStringList m_lines;
};

// The text coloured line by line, as the highlighter does; line feeds are
// shown as "\n" since no line owns them.
QString pictureByLines(const QString& text)
{
    const ListLines lines(text.split(QLatin1Char('\n')));
    CloseIndex closes;
    State state = State::Text;
    QStringList pictures;
    for (int n = 0; n < lines.count(); ++n) {
        const QString line = lines.line(n);
        const LineColours colours = colourLine(line, state, lines, n, closes);
        pictures.append(picture(colours.spans, line.size()));
        state = colours.end;
    }
    return pictures.join(QLatin1Char('\n'));
}

QString withLineFeeds(const QString& picture, const QString& text)
{
    QString result = picture;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n'))
            result[i] = QLatin1Char('\n');
    }
    return result;
}

} // namespace

class tst_HtmlSyntax : public QObject {
    Q_OBJECT
private slots:
    void fullPass_data();
    void fullPass();
    void spansCoverTheTextAndJoinLikeKinds();
    void lineByLineEqualsTheFullPass_data();
    void lineByLineEqualsTheFullPass();
    void lineByLineEqualsTheFullPassOnRandomTexts();
};

void tst_HtmlSyntax::fullPass_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("colours");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("text and a tag") << "a<b>c"
                                    << ".btb.";
    QTest::newRow("quoted value") << "<a href=\"x\">"
                                  << "btttttttvvvb";
    QTest::newRow("either quote closes") << "<a t=\"x'>"
                                         << "bttttvvvb";
    QTest::newRow("unclosed tag shows no values") << "x<a href=\"y\""
                                                  << ".btttttttttt";
    QTest::newRow("lone quote before the tag's end") << "<a b=\"c>d\"e>"
                                                     << "bttttttb....";
    QTest::newRow("lone quote stops later values") << "<a b=\" c='d'>"
                                                   << "bttttvvvvvttb";
    QTest::newRow("'>' outside tags is plain") << "a > b"
                                               << ".....";
    QTest::newRow("'<' inside a tag") << "<a <b>"
                                      << "bttttb";
    QTest::newRow("two values") << "<i a='1' b=\"2\">"
                                << "bttttvvvtttvvvb";
    QTest::newRow("comment") << "<!-- a -->"
                             << "bttttttttb";
    QTest::newRow("tag over two lines") << "<a\nhref=\"x\">"
                                        << "btttttttvvvb";
    QTest::newRow("unclosed '<' at the end") << "text<"
                                             << "....b";
}

void tst_HtmlSyntax::fullPass()
{
    QFETCH(QString, text);
    QFETCH(QString, colours);
    QCOMPARE(picture(spans(text), text.size()), colours);
}

void tst_HtmlSyntax::spansCoverTheTextAndJoinLikeKinds()
{
    const QString text = QStringLiteral("<p class=\"a\">Hello <b>world</b></p>\n<img src='x'/>");
    const QList<Span> list = spans(text);
    qsizetype next = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        QCOMPARE(list[i].start, next);
        QVERIFY(list[i].length > 0);
        if (i > 0)
            QVERIFY(list[i].kind != list[i - 1].kind);
        next += list[i].length;
    }
    QCOMPARE(next, text.size());
}

void tst_HtmlSyntax::lineByLineEqualsTheFullPass_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("value over lines") << "<a title=\"one\ntwo\">x";
    QTest::newRow("partner on a later line") << "<a b=\"\n\n\nc\" d>e";
    QTest::newRow("tag closes before the partner") << "<a b=\"\nc>d\"\n<e f='g'>";
    QTest::newRow("tag never closes") << "<a b=\"\nc\"\nd";
    QTest::newRow("lone quote then lines") << "<a b=\"c\n>\"d\"";
    QTest::newRow("quote in text") << "it's \"fine\"\n<b>x</b>";
}

void tst_HtmlSyntax::lineByLineEqualsTheFullPass()
{
    QFETCH(QString, text);
    QCOMPARE(pictureByLines(text), withLineFeeds(picture(spans(text), text.size()), text));
}

void tst_HtmlSyntax::lineByLineEqualsTheFullPassOnRandomTexts()
{
    const QString alphabet = QStringLiteral("<>\"'a =\n/");
    QRandomGenerator random(24);
    for (int round = 0; round < 5000; ++round) {
        QString text;
        const int length = random.bounded(80);
        for (int i = 0; i < length; ++i)
            text += alphabet[random.bounded(int(alphabet.size()))];
        const QString expected = withLineFeeds(picture(spans(text), text.size()), text);
        if (pictureByLines(text) != expected)
            QFAIL(qPrintable(QStringLiteral("differs for \"%1\"").arg(text)));
    }
}

QTEST_GUILESS_MAIN(tst_HtmlSyntax)
#include "tst_htmlsyntax.moc"
