#include "PageCharset.h"

#include <QTest>

// Reading the character set a blog's page declares.
class tst_PageCharset : public QObject {
    Q_OBJECT
private slots:
    void declaredCharset_data();
    void declaredCharset();
};

void tst_PageCharset::declaredCharset_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("charset"); // null: none found
    QTest::addColumn<bool>("entities");

    QTest::newRow("content attribute, UTF-8")
        << R"(<meta http-equiv="Content-Type" content="text/html; charset=UTF-8" />)"
        << "UTF-8" << false;
    QTest::newRow("quote right after the equals sign")
        << R"(<meta http-equiv="Content-Type" content="text/html; charset=" />)" << QString()
        << true;
    QTest::newRow("HTML5 meta charset") << R"(<html><head><meta charset="utf-8"><title>)"
                                        << "utf-8" << false;
    QTest::newRow("HTML5 single quotes") << "<meta charset='Windows-1252'>"
                                         << "Windows-1252" << true;
    QTest::newRow("HTML5 without quotes") << "<meta charset=utf-8>\n<title \"x\">"
                                          << "utf-8" << false;
    QTest::newRow("Latin-1 in capitals") << R"(<META CONTENT="text/html; CHARSET=ISO-8859-1">)"
                                         << "ISO-8859-1" << true;
    QTest::newRow("no declaration") << "<html><head><title>Blog</title>" << QString() << true;
    QTest::newRow("empty quoted value") << R"(<meta charset="">)" << QString() << true;
    QTest::newRow("first declaration wins") << R"(<meta charset="euc-jp"><meta charset="utf-8">)"
                                            << "euc-jp" << true;
    QTest::newRow("word at the very end") << "text ending in charset" << QString() << true;
}

void tst_PageCharset::declaredCharset()
{
    QFETCH(QString, page);
    QFETCH(QString, charset);
    QFETCH(bool, entities);
    const std::optional<QString> found = PageCharset::declaredCharset(page);
    QCOMPARE(found.has_value(), !charset.isNull());
    if (found)
        QCOMPARE(*found, charset);
    QCOMPARE(PageCharset::needsEntities(found), entities);
}

QTEST_GUILESS_MAIN(tst_PageCharset)
#include "tst_pagecharset.moc"
