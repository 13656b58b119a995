#include "ConvertBreaks.h"

#include <QCoreApplication>
#include <QSet>

namespace {

// Replaces every occurrence; with `repeat` until none is left.
void replaceAll(QString& text, const QString& from, const QString& to, bool repeat = false)
{
    do {
        text.replace(from, to, Qt::CaseSensitive);
    } while (repeat && text.contains(from, Qt::CaseSensitive));
}

const QSet<QString>& blockTags()
{
    static const QSet<QString> tags = {
        QStringLiteral("h1"),         QStringLiteral("h2"),      QStringLiteral("h3"),
        QStringLiteral("h4"),         QStringLiteral("h5"),      QStringLiteral("h6"),
        QStringLiteral("table"),      QStringLiteral("ol"),      QStringLiteral("dl"),
        QStringLiteral("td"),         QStringLiteral("tr"),      QStringLiteral("dd"),
        QStringLiteral("th"),         QStringLiteral("dt"),      QStringLiteral("ul"),
        QStringLiteral("menu"),       QStringLiteral("dir"),     QStringLiteral("p"),
        QStringLiteral("pre"),        QStringLiteral("center"),  QStringLiteral("form"),
        QStringLiteral("select"),     QStringLiteral("tbody"),   QStringLiteral("fieldset"),
        QStringLiteral("blockquote"), QStringLiteral("address"), QStringLiteral("div"),
        QStringLiteral("hr"),         QStringLiteral("object"),
    };
    return tags;
}

// The name of the tag a chunk starts with: after "<", slashes skipped, up to
// the first ">" or whitespace.
QString leadingTagName(const QString& chunk)
{
    QString name;
    for (qsizetype i = 1; i < chunk.size(); ++i) {
        const QChar c = chunk.at(i);
        if (c == QLatin1Char('/'))
            continue;
        if (c == QLatin1Char('>') || c.isSpace())
            break;
        name += c;
    }
    return name;
}

} // namespace

ConvertBreaks::ConvertBreaks() = default;

QString ConvertBreaks::formatterDescription() const
{
    return QCoreApplication::translate(
        "ConvertBreaks",
        "ConvertBreaks formatter for blog entries that specify a convert breaks format.");
}

bool ConvertBreaks::willHandleFormat(const QString& format) const
{
    return format.contains(QLatin1String("break"), Qt::CaseInsensitive) ||
           format.contains(QLatin1String("convert"), Qt::CaseInsensitive) ||
           format.contains(QLatin1String("default"), Qt::CaseInsensitive);
}

int ConvertBreaks::substr(const QString& text, const QString& target)
{
    return target.isEmpty() ? 0 : int(text.count(target, Qt::CaseInsensitive));
}

QString ConvertBreaks::formatText(const QString& source)
{
    // Text that already has paragraphs is taken as formatted.
    if (substr(source, QStringLiteral("<p")) > 0)
        return source;

    QString text = source;
    const QString lf = QStringLiteral("\n");
    replaceAll(text, QStringLiteral(" \n"), lf, true);
    replaceAll(text, QStringLiteral("\n "), lf, true);
    replaceAll(text, QStringLiteral("\r\n"), lf);
    replaceAll(text, QStringLiteral("p>\n"), QStringLiteral("p>"));
    replaceAll(text, QStringLiteral("\n<p"), QStringLiteral("<p"));
    replaceAll(text, QStringLiteral("\n</p"), QStringLiteral("</p"));
    replaceAll(text, QStringLiteral("br />\n"), QStringLiteral("br/>"));
    replaceAll(text, QStringLiteral("br/>\n"), QStringLiteral("br/>"));
    replaceAll(text, QStringLiteral("br>\n"), QStringLiteral("br/>"));
    replaceAll(text, QStringLiteral("\n<br"), QStringLiteral("<br"));
    replaceAll(text, QStringLiteral("div>\n"), QStringLiteral("div>"));
    replaceAll(text, QStringLiteral("\n<div"), QStringLiteral("<div"));
    replaceAll(text, QStringLiteral("\n</div"), QStringLiteral("</div"));
    replaceAll(text, QStringLiteral(" <li"), QStringLiteral("<li"), true);
    replaceAll(text, QStringLiteral("\n<li"), QStringLiteral("<li"), true);
    replaceAll(text, QStringLiteral("</li>\n"), QStringLiteral("</li>"), true);

    QString result;
    for (QString chunk : text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts)) {
        if (chunk.startsWith(QLatin1Char('<')) &&
            blockTags().contains(leadingTagName(chunk).toLower())) {
            result += chunk;
        } else if (substr(chunk, QStringLiteral("<p")) == 0) {
            chunk.replace(lf, QStringLiteral("<br/>"));
            result += QStringLiteral("<p>") + chunk + QStringLiteral("</p>");
        } else {
            result += chunk; // never drop text
        }
    }
    return result;
}
