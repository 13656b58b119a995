#include "PageCharset.h"

#include <QTest>

// Reading the character set a blog's page declares: its Content-Type header
// first, then the meta elements of its head.
class tst_PageCharset : public QObject {
    Q_OBJECT
private slots:
    void declaredCharset_data();
    void declaredCharset();
};

void tst_PageCharset::declaredCharset_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("charset"); // null: none found
    QTest::addColumn<bool>("entities");

    const QByteArray none;
    // What WordPress 6.1's themes write, with the header PHP's built-in server sends.
    const QString wordpress = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"en-US\">\n<head>\n\t<meta charset=\"UTF-8\" />\n"
        "\t<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\" />\n"
        "<title>Peer</title>\n</head>\n<body class=\"home blog\">");
    QTest::newRow("WordPress head") << none << wordpress << "UTF-8" << false;
    QTest::newRow("WordPress with its header")
        << QByteArray("text/html; charset=UTF-8") << wordpress << "UTF-8" << false;

    QTest::newRow("header wins over the page")
        << QByteArray("text/html; charset=ISO-8859-1") << wordpress << "ISO-8859-1" << true;
    QTest::newRow("header, quoted, any case")
        << QByteArray("text/html;CHARSET = \"utf-8\"") << QString() << "utf-8" << false;
    QTest::newRow("header without charset: the page decides")
        << QByteArray("text/html") << R"(<meta charset="euc-jp">)"
        << "euc-jp" << true;

    QTest::newRow("content attribute")
        << none << R"(<meta http-equiv="Content-Type" content="text/html; charset=UTF-8" />)"
        << "UTF-8" << false;
    QTest::newRow("content attribute in capitals")
        << none << R"(<META HTTP-EQUIV="CONTENT-TYPE" CONTENT="text/html; CHARSET=ISO-8859-1">)"
        << "ISO-8859-1" << true;
    QTest::newRow("content attribute, single quotes, quoted value")
        << none << R"(<meta content='text/html; charset="koi8-r"' http-equiv='content-type'>)"
        << "koi8-r" << true;
    QTest::newRow("content attribute, unquoted")
        << none << "<meta http-equiv=Content-Type content=text/html;charset=utf-8>"
        << "utf-8" << false;
    QTest::newRow("quote right after the equals sign")
        << none << R"(<meta http-equiv="Content-Type" content="text/html; charset=" />)"
        << QString() << true;
    QTest::newRow("content without http-equiv is no declaration")
        << none << R"(<meta name="description" content="about charset=utf-8">)" << QString()
        << true;

    QTest::newRow("meta charset unquoted") << none << "<meta charset=utf-8>\n<title \"x\">"
                                           << "utf-8" << false;
    QTest::newRow("meta charset single quotes") << none << "<meta charset='Windows-1252'>"
                                                << "Windows-1252" << true;
    QTest::newRow("meta charset, spaces around the value") << none << "<Meta CharSet = \" UTF-8 \">"
                                                           << "UTF-8" << false;
    QTest::newRow("empty meta charset") << none << R"(<meta charset="">)" << QString() << true;
    QTest::newRow("first declaration wins")
        << none << R"(<meta charset="euc-jp"><meta charset="utf-8">)"
        << "euc-jp" << true;

    // Where a declaration is not one.
    QTest::newRow("no declaration")
        << none << "<html><head><title>Blog</title>" << QString() << true;
    QTest::newRow("the word in the text only")
        << none << "<title>charset=utf-8 explained</title>" << QString() << true;
    QTest::newRow("inside a comment")
        << none << "<!-- <meta charset=\"utf-8\"> --><meta charset=\"iso-8859-2\">"
        << "iso-8859-2" << true;
    QTest::newRow("inside a script")
        << none << "<script>var m = '<meta charset=\"utf-8\">';</script><meta charset=big5>"
        << "big5" << true;
    QTest::newRow("in a post, after <body>")
        << none << "<head><title>x</title></head><body><meta charset=\"utf-8\">" << QString()
        << true;
    QTest::newRow("page ends inside the tag")
        << none << "<meta charset=\"utf-8" << QString() << true;
}

void tst_PageCharset::declaredCharset()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QString, page);
    QFETCH(QString, charset);
    QFETCH(bool, entities);
    const std::optional<QString> found = PageCharset::declaredCharset(contentType, page);
    QCOMPARE(found.has_value(), !charset.isNull());
    if (found)
        QCOMPARE(*found, charset);
    QCOMPARE(PageCharset::needsEntities(found), entities);
}

QTEST_GUILESS_MAIN(tst_PageCharset)
#include "tst_pagecharset.moc"
