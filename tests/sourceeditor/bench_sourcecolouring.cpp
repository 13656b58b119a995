#include "Benchmark.h"
#include "GeneratedPost.h"
#include "RVTextView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTest>

using namespace plumet::test;

namespace {

// The anchor: a highlighter as one would first write it, regular
// expressions over each line and the whole document coloured again after
// an edit.
class NaiveRegexHighlighter : public QSyntaxHighlighter {
public:
    NaiveRegexHighlighter() : QSyntaxHighlighter(static_cast<QObject*>(nullptr))
    {
        m_tag.setForeground(QColor(255, 128, 0));
        m_value.setForeground(QColor(128, 0, 255));
        m_bracket.setForeground(QColor(255, 8, 176));
    }

protected:
    void highlightBlock(const QString& text) override
    {
        static const QRegularExpression tags(QStringLiteral("<[^>]*>?"));
        static const QRegularExpression values(QStringLiteral("\"[^\"]*\"|'[^']*'"));
        for (auto it = tags.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch tag = it.next();
            setFormat(int(tag.capturedStart()), int(tag.capturedLength()), m_tag);
            for (auto v = values.globalMatch(tag.captured()); v.hasNext();) {
                const QRegularExpressionMatch value = v.next();
                setFormat(int(tag.capturedStart() + value.capturedStart()),
                          int(value.capturedLength()), m_value);
            }
            setFormat(int(tag.capturedStart()), 1, m_bracket);
            if (tag.captured().endsWith(QLatin1Char('>')))
                setFormat(int(tag.capturedEnd() - 1), 1, m_bracket);
        }
    }

private:
    QTextCharFormat m_tag, m_value, m_bracket;
};

double timed(const std::function<void()>& work)
{
    return millisecondsOf(work);
}

} // namespace

class bench_SourceColouring : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void openAndColour();
    void typeAKey();
    void typeABracket();
    void typeAQuoteInATag();

private:
    // One key typed at `position` in both views, from the key event to the
    // new colours, timed, then taken back.
    Comparison keyAt(int position, int key, const QString& text, int repetitions);

    QString m_post;
    int m_middle = 0;
    int m_inImageTag = 0;
    std::unique_ptr<RVTextView> m_ours;
    std::unique_ptr<QPlainTextEdit> m_anchor;
    std::unique_ptr<NaiveRegexHighlighter> m_naive;
};

void bench_SourceColouring::initTestCase()
{
    m_post = generatedPost(1'000'000, 1);
    // The start of a paragraph's text, about half way down.
    static const QRegularExpression paragraphText(QStringLiteral("<p>[a-z]"));
    m_middle = int(paragraphText.match(m_post, m_post.size() / 2).capturedStart() + 3);
    // Just inside an image tag whose attributes run over three lines.
    m_inImageTag = int(m_post.indexOf(QLatin1String("<img "), m_post.size() / 2) + 5);
    std::printf("post: %lld characters, %lld lines\n", qint64(m_post.size()),
                qint64(m_post.count(QLatin1Char('\n'))));
    m_ours = std::make_unique<RVTextView>();
    m_anchor = std::make_unique<QPlainTextEdit>();
    m_naive = std::make_unique<NaiveRegexHighlighter>();
    for (QWidget* view :
         {static_cast<QWidget*>(m_ours.get()), static_cast<QWidget*>(m_anchor.get())}) {
        view->resize(800, 600);
        view->show();
    }
    QVERIFY(QTest::qWaitForWindowExposed(m_ours.get()));
}

void bench_SourceColouring::openAndColour()
{
    const Comparison comparison = interleaved(
        7,
        [this] {
            m_ours->setString(QString());
            return timed([this] { m_ours->setString(m_post); });
        },
        [this] {
            m_naive->setDocument(nullptr);
            m_anchor->setPlainText(QString());
            return timed([this] {
                m_anchor->setPlainText(m_post);
                m_naive->setDocument(m_anchor->document());
                m_naive->rehighlight();
            });
        });
    printComparison("colour_open_1mb",
                    QStringLiteral("setPlainText and a regex highlighter's rehighlight()"),
                    comparison);
}

Comparison bench_SourceColouring::keyAt(int position, int key, const QString& text, int repetitions)
{
    m_ours->setString(m_post);
    m_naive->setDocument(nullptr);
    m_anchor->setPlainText(m_post);
    m_naive->setDocument(m_anchor->document());
    m_naive->rehighlight();
    auto type = [&](QPlainTextEdit* view, const std::function<void()>& after) {
        QTextCursor cursor(view->document());
        cursor.setPosition(position);
        view->setTextCursor(cursor);
        view->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        const double ms = timed([&] {
            QApplication::sendEvent(view, &press);
            after();
        });
        QTextCursor typed(view->document());
        typed.setPosition(position);
        typed.setPosition(position + int(text.size()), QTextCursor::KeepAnchor);
        if (typed.selectedText() != text)
            qFatal("the key did not type its text");
        typed.removeSelectedText();
        return ms;
    };
    return interleaved(
        repetitions, [&] { return type(m_ours.get(), [] {}); },
        [&] { return type(m_anchor.get(), [this] { m_naive->rehighlight(); }); });
}

void bench_SourceColouring::typeAKey()
{
    printComparison("colour_key_1mb", QStringLiteral("a regex highlighter's rehighlight()"),
                    keyAt(m_middle, Qt::Key_X, QStringLiteral("x"), 21));
}

void bench_SourceColouring::typeABracket()
{
    printComparison("colour_bracket_1mb", QStringLiteral("a regex highlighter's rehighlight()"),
                    keyAt(m_middle, Qt::Key_Less, QStringLiteral("<"), 21));
}

// The case that walks on: the quote pairs every later quote of the tag the
// other way, so the tag's next lines change colour too, and the highlighter
// follows them until the states agree again (a value never passes the tag's
// ">", so that is where it ends).
void bench_SourceColouring::typeAQuoteInATag()
{
    printComparison("colour_quote_1mb", QStringLiteral("a regex highlighter's rehighlight()"),
                    keyAt(m_inImageTag, Qt::Key_QuoteDbl, QStringLiteral("\""), 21));
}

QTEST_MAIN(bench_SourceColouring)
#include "bench_sourcecolouring.moc"
