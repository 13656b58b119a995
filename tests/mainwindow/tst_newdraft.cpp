#include "Entry.h"
#include "NewDraft.h"

#include <QMimeData>
#include <QTest>

class tst_NewDraft : public QObject {
    Q_OBJECT
private slots:
    void flag_data();
    void flag();
    void untitledNumbersAreSharedByEveryRoad();
    void renewGivesAPreparedEntryAFreshIdentityAndNow();
    void clipboardBodies_data();
    void clipboardBodies();
};

void tst_NewDraft::flag_data()
{
    QTest::addColumn<bool>("publishOption");
    QTest::addColumn<bool>("isPage");
    QTest::addColumn<int>("flag");
    QTest::newRow("post, published at once") << true << false << 1;
    QTest::newRow("post, kept as server draft") << false << false << 3;
    QTest::newRow("page, published at once") << true << true << 17;
    QTest::newRow("page, kept as server draft") << false << true << 19;
}

void tst_NewDraft::flag()
{
    QFETCH(bool, publishOption);
    QFETCH(bool, isPage);
    QFETCH(int, flag);
    QCOMPARE(NewDraft::flagFor(publishOption, isPage), flag);
}

void tst_NewDraft::untitledNumbersAreSharedByEveryRoad()
{
    QCOMPARE(NewDraft::peekUntitledNumber(), 1);
    QCOMPARE(NewDraft::nextUntitledTitle(), QStringLiteral("Untitled 1"));
    QCOMPARE(NewDraft::nextUntitledTitle(), QStringLiteral("Untitled 2"));
    // A draft from another program in between takes the next number.
    QCOMPARE(NewDraft::nextUntitledTitle(), QStringLiteral("Untitled 3"));
    QCOMPARE(NewDraft::nextUntitledTitle(), QStringLiteral("Untitled 4"));
    QCOMPARE(NewDraft::peekUntitledNumber(), 5);
}

void tst_NewDraft::renewGivesAPreparedEntryAFreshIdentityAndNow()
{
    auto entry = Entry::create();
    entry->setUniqueID(QStringLiteral("42"));
    entry->setEntryDate(QDateTime(QDate(2001, 1, 1), QTime(12, 0)));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    NewDraft::renew(*entry);
    QVERIFY(entry->uniqueID() != QStringLiteral("42"));
    QVERIFY(
        QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(entry->uniqueID()).hasMatch());
    QVERIFY(entry->entryDate() >= before);
}

void tst_NewDraft::clipboardBodies_data()
{
    QTest::addColumn<QString>("html"); // null: the clipboard has none
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("body");
    QTest::newRow("plain text is text, not markup")
        << QString() << "<b>bold</b> <img src=x onerror=alert(1)>\n\nnext"
        << "<p>&lt;b&gt;bold&lt;/b&gt; &lt;img src=x onerror=alert(1)&gt;</p>\n<p>next</p>";
    QTest::newRow("a browser's HTML is sanitised, and wins over its text")
        << "<html><body>\n<!--StartFragment--><b style=\"x\" onmouseover=\"y()\">bold</b><img "
           "src=x onerror=alert(1)><script>z()</script><!--EndFragment-->\n</body></html>"
        << "bold"
        << "<b>bold</b>";
    QTest::newRow("HTML with nothing left falls back to the text") << "<img src=x onerror=alert(1)>"
                                                                   << "a picture"
                                                                   << "<p>a picture</p>";
    QTest::newRow("neither") << QString() << QString() << "";
}

void tst_NewDraft::clipboardBodies()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    QFETCH(QString, body);
    QMimeData data;
    if (!html.isNull())
        data.setHtml(html);
    if (!text.isNull())
        data.setText(text);
    QCOMPARE(NewDraft::bodyFromMimeData(data), body);
}

QTEST_GUILESS_MAIN(tst_NewDraft)
#include "tst_newdraft.moc"
