#include "GeneratedPost.h"
#include "HtmlSyntaxHighlighter.h"
#include "RVTextView.h"
#include "TestDraftHost.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

using namespace plumet::test;

namespace {

// Every coloured stretch of every line: "line:start+length=#colour".
QStringList colours(const QTextDocument& document)
{
    QStringList result;
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            result.append(QStringLiteral("%1:%2+%3=%4")
                              .arg(block.blockNumber())
                              .arg(range.start)
                              .arg(range.length)
                              .arg(range.format.foreground().color().name()));
        }
    }
    return result;
}

// The colours of one pass over the whole text, in a document of its own.
QStringList fullPass(const QString& text, const Template* colourSource = nullptr)
{
    QTextDocument document;
    document.setPlainText(text);
    HtmlSyntaxHighlighter highlighter(&document);
    if (colourSource)
        highlighter.setColors(colourSource->htmlColor()->toQColor(),
                              colourSource->attributeColor()->toQColor(),
                              colourSource->bracketColor()->toQColor());
    highlighter.rehighlight();
    return colours(document);
}

QString firstDifference(const QStringList& a, const QStringList& b)
{
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i])
            return a[i] + QStringLiteral(" vs ") + b[i];
    }
    return QStringLiteral("lengths %1 and %2").arg(a.size()).arg(b.size());
}

} // namespace

class tst_HtmlSyntaxHighlighter : public QObject {
    Q_OBJECT
private slots:
    void quoteFindsItsPartnerOnALaterLine();
    void coloursAreOnlyInTheLayout();
    void randomEditsKeepFullPassColoursAndOnlyTextInTheUndoHistory();
};

void tst_HtmlSyntaxHighlighter::quoteFindsItsPartnerOnALaterLine()
{
    QTextDocument document;
    document.documentLayout(); // without a layout a document reports no changes
    HtmlSyntaxHighlighter highlighter(&document);
    highlighter.rehighlight();
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("<a title=\"one\ntwo\nthree>\n<b>"));
    QCOMPARE(colours(document), fullPass(document.toPlainText()));
    // The partner arrives two lines further on: the first line changes colour.
    cursor.setPosition(int(document.toPlainText().indexOf(QStringLiteral("three")) + 5));
    cursor.insertText(QStringLiteral("\""));
    QCOMPARE(colours(document), fullPass(document.toPlainText()));
    cursor.deletePreviousChar();
    QCOMPARE(colours(document), fullPass(document.toPlainText()));
    // The tag loses its end: no values any more.
    cursor.setPosition(int(document.toPlainText().indexOf(QLatin1Char('>'))));
    cursor.deleteChar();
    cursor.setPosition(int(document.toPlainText().indexOf(QLatin1Char('>'))));
    cursor.deleteChar();
    QCOMPARE(colours(document), fullPass(document.toPlainText()));
}

void tst_HtmlSyntaxHighlighter::coloursAreOnlyInTheLayout()
{
    RVTextView view;
    view.setString(QStringLiteral("<p class=\"x\">text</p>"));
    QVERIFY(!view.document()->isUndoAvailable());
    QVERIFY(!view.document()->isModified());
    QVERIFY(!colours(*view.document()).isEmpty());
    view.selectAll();
    view.copy();
    QCOMPARE(
        QGuiApplication::clipboard()->mimeData()->formats().contains(QStringLiteral("text/html")),
        false);
    for (QTextBlock::iterator it = view.document()->firstBlock().begin(); !it.atEnd(); ++it)
        QVERIFY(!it.fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush));
}

void tst_HtmlSyntaxHighlighter::randomEditsKeepFullPassColoursAndOnlyTextInTheUndoHistory()
{
    TestDraftHost host;
    const AttachmentPtr image = host.addAttachment(QStringLiteral("lake.jpg"));
    RVTextView view;
    view.setDraft(&host);
    view.resize(500, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setFocus();
    const QString post = generatedPost(6000, 7) + QStringLiteral("<p>") + image->uniqueID() +
                         QStringLiteral("</p>\n") + generatedPost(2000, 8);
    view.setString(post);
    const QString start = view.shownText();
    QCOMPARE(colours(*view.document()), fullPass(start, host.htmlTemplate()));

    static const QStringList typed{"a", "<", ">", "\"", "'", " ", "=", "\n"};
    static const QStringList pasted{
        "<p class=\"x\">",    "</p>\n",    "\"quoted\"", "a='b", "<img\nsrc=\"x\" />",
        "text > more < less", "<!-- c -->"};
    QRandomGenerator random(2024);
    for (int edit = 0; edit < 2000; ++edit) {
        const int length = int(view.document()->characterCount() - 1);
        QTextCursor cursor = view.textCursor();
        cursor.setPosition(random.bounded(length + 1));
        view.setTextCursor(cursor);
        const int kind = random.bounded(100);
        if (kind < 45) {
            const QString key = typed[random.bounded(int(typed.size()))];
            if (key == QLatin1String("\n"))
                QTest::keyClick(&view, Qt::Key_Return);
            else
                QTest::keyClicks(&view, key);
        } else if (kind < 55) {
            QTest::keyClick(&view, random.bounded(2) ? Qt::Key_Backspace : Qt::Key_Delete);
        } else if (kind < 70) {
            QGuiApplication::clipboard()->setText(pasted[random.bounded(int(pasted.size()))]);
            if (random.bounded(3) == 0) {
                const int end = std::min(length, view.textCursor().position() + random.bounded(40));
                cursor = view.textCursor();
                cursor.setPosition(end, QTextCursor::KeepAnchor);
                view.setTextCursor(cursor);
            }
            view.paste();
        } else if (kind < 82) {
            cursor = view.textCursor();
            cursor.setPosition(std::min(length, cursor.position() + 1 + random.bounded(60)),
                               QTextCursor::KeepAnchor);
            view.setTextCursor(cursor);
            QTest::keyClick(&view, Qt::Key_Delete);
        } else if (kind < 88) {
            view.undo();
        } else if (kind < 92) {
            view.redo();
        } else if (kind < 96) {
            view.bold();
        } else if (kind < 98) {
            view.closeOpenTag();
        } else {
            // The verdict comes from a worker; the edits go on once it is in.
            const QPointer<QMessageBox> before = view.alertSheet();
            view.validateHTML();
            QTRY_VERIFY(view.alertSheet() && view.alertSheet() != before.data());
            view.alertSheet()->close();
        }
        const QStringList incremental = colours(*view.document());
        const QStringList full = fullPass(view.shownText(), host.htmlTemplate());
        if (incremental != full)
            QFAIL(qPrintable(QStringLiteral("edit %1 (kind %2): %3")
                                 .arg(edit)
                                 .arg(kind)
                                 .arg(firstDifference(incremental, full))));
    }

    // Every step of the history changes the text; all of them lead back to
    // the text as it was loaded.
    int steps = 0;
    while (view.document()->isUndoAvailable()) {
        const QString before = view.shownText();
        view.undo();
        QVERIFY2(view.shownText() != before, qPrintable(QStringLiteral("step %1").arg(steps)));
        ++steps;
    }
    QVERIFY(steps > 0);
    QCOMPARE(view.shownText(), start);
    QCOMPARE(view.string(), post);
    QCOMPARE(colours(*view.document()), fullPass(start, host.htmlTemplate()));
}

QTEST_MAIN(tst_HtmlSyntaxHighlighter)
#include "tst_htmlsyntaxhighlighter.moc"
