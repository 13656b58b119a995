#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

// A lenient scanner over HTML text, used to discover a blog from its home
// page: the attributes of every <link> element, a CSS @import, the text after
// a tag, and the names of tags a post links to. Nothing is validated; letter
// case is ignored wherever the text is searched.
class GenericParser {
public:
    explicit GenericParser(QString text = QString());
    // A parser of bytes in the character set their XML declaration names
    // (UTF-8, else ISO 8859-1, without one).
    static GenericParser fromData(const QByteArray& data);
    virtual ~GenericParser();

    const QString& text() const { return m_text; }
    // One attribute map per link element found (names lower-cased).
    const QList<QVariantMap>& parsedArray() const { return m_parsedArray; }
    // Why the last parse failed.
    const QString& errorString() const { return m_errorString; }

    // Appends the attributes of every <link> element of the text.
    void parseLinks(QStringView text);
    // The attributes of the text of one tag.
    static QVariantMap parseAttributes(QStringView tagText);
    // Reads the links of the page's head; true when at least one was found.
    // Without a stylesheet link, a CSS @import of the head becomes one.
    bool extractMeta();
    // Appends the first "@import" of the text as a stylesheet link.
    void getCSSImport(QStringView text);
    // The text after the first occurrence of `tagOpening` up to the next "<",
    // XML-unescaped; a null string when the tag is not there.
    static QString extractTag(QStringView text, QStringView tagOpening);
    // Appends to the post's "categories" the names of the tags its "content"
    // links to (links whose rel holds "tag"), in order.
    static void extractTags(QVariantMap& post);

protected:
    void setErrorString(const QString& error) { m_errorString = error; }

private:
    QString m_text;
    QList<QVariantMap> m_parsedArray;
    QString m_errorString;
};
