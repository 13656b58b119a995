#include "AttachmentRuns.h"

#include <QTest>

using namespace AttachmentRuns;

Q_DECLARE_METATYPE(QList<Placement>)
Q_DECLARE_METATYPE(QList<Run>)

namespace {

const QString Key1 = QStringLiteral("0f3c6a1de2b14e6c9a0d5e7f8a9b1c2d");
const QString Key2 = QStringLiteral("9a8b7c6d5e4f30211f2e3d4c5b6a7980");
const QString Image = QStringLiteral("<img src=\"file:///tmp/a.jpg\" alt=\"a\" />");
const QString Movie = QStringLiteral("<embed src=\"file:///tmp/b.mov\"></embed>");
const QString Uploaded = QStringLiteral("<img src=\"https://blog.example/c.jpg\" />");

bool isKey(const QString& key)
{
    return key == Key1 || key == Key2;
}

} // namespace

class tst_AttachmentRuns : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void keyInsideEarlierMarkupIsNotReplaced();
    void foreignLinksStayText();
};

void tst_AttachmentRuns::roundTrip_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<Placement>>("attachments");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QList<Run>>("runs");

    const Placement one{Key1, Image, true};
    const Placement two{Key2, Movie, true};
    QTest::newRow("no attachments")
        << "<p>text</p>" << QList<Placement>{} << "<p>text</p>" << QList<Run>{};
    QTest::newRow("one run") << "<p>" + Key1 + "</p>" << QList<Placement>{one}
                             << "<p>" + Image + "</p>" << QList<Run>{{3, Image.size(), Key1}};
    QTest::newRow("two runs, text order differs from draft order")
        << Key2 + " and " + Key1 << QList<Placement>{one, two} << Movie + " and " + Image
        << QList<Run>{{0, Movie.size(), Key2}, {Movie.size() + 5, Image.size(), Key1}};
    QTest::newRow("key absent") << "<p>none</p>" << QList<Placement>{one} << "<p>none</p>"
                                << QList<Run>{};
    QTest::newRow("run at the very end") << "x\n" + Key1 << QList<Placement>{one} << "x\n" + Image
                                         << QList<Run>{{2, Image.size(), Key1}};
}

void tst_AttachmentRuns::roundTrip()
{
    QFETCH(QString, stored);
    QFETCH(QList<Placement>, attachments);
    QFETCH(QString, shown);
    QFETCH(QList<Run>, runs);
    const Shown result = shownForm(stored, attachments);
    QCOMPARE(result.text, shown);
    QCOMPARE(result.runs, runs);
    const Stored back = storedForm(result.text, result.runs, isKey);
    QCOMPARE(back.text, stored);
    QCOMPARE(back.collapsedKeys.size(), runs.size());
}

void tst_AttachmentRuns::keyInsideEarlierMarkupIsNotReplaced()
{
    // Only the first occurrence of a key is an attachment; an uploaded
    // attachment is plain text, and a second copy of a key stays as it is.
    const QString markupNamingKey2 = QStringLiteral("<a title=\"%1\">x</a>").arg(Key2);
    const Shown shown = shownForm(Key1 + " " + Key2 + " " + Key2,
                                  {{Key1, markupNamingKey2, true}, {Key2, Uploaded, false}});
    QCOMPARE(shown.text, markupNamingKey2 + " " + Uploaded + " " + Key2);
    QCOMPARE(shown.runs, (QList<Run>{{0, markupNamingKey2.size(), Key1}}));
    QCOMPARE(shown.placedKeys, (QStringList{Key1, Key2}));
}

void tst_AttachmentRuns::foreignLinksStayText()
{
    const QString shown = QStringLiteral("<p>") + Image + QStringLiteral("</p>");
    const Stored stored =
        storedForm(shown, {{3, Image.size(), QStringLiteral("http://elsewhere/")}}, isKey);
    QCOMPARE(stored.text, shown);
    QVERIFY(stored.collapsedKeys.isEmpty());
}

QTEST_GUILESS_MAIN(tst_AttachmentRuns)
#include "tst_attachmentruns.moc"
