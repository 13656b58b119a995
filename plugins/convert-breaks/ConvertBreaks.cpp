#include "ConvertBreaks.h"

#include <QCoreApplication>
#include <QSet>

namespace {

// Replacing `filler` + `anchor` by `anchor` until none is left, in one pass:
// every run of `filler` that ends where an `anchor` starts goes. No anchor holds
// its filler, so dropping a run never makes or breaks an anchor.
void dropRunsBefore(QString& text, QChar filler, QStringView anchor)
{
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(anchor); at >= 0; at = text.indexOf(anchor, from)) {
        qsizetype runStart = at;
        while (runStart > from && text.at(runStart - 1) == filler)
            --runStart;
        out += QStringView(text).mid(from, runStart - from);
        out += anchor;
        from = at + anchor.size();
    }
    out += QStringView(text).mid(from);
    text = std::move(out);
}

// Replacing `anchor` + `filler` by `anchor` until none is left, in one pass.
void dropRunsAfter(QString& text, QStringView anchor, QChar filler)
{
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(anchor); at >= 0; at = text.indexOf(anchor, from)) {
        from = at + anchor.size();
        out += QStringView(text).mid(copied, from - copied);
        while (from < text.size() && text.at(from) == filler)
            ++from;
        copied = from;
    }
    out += QStringView(text).mid(copied);
    text = std::move(out);
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
    dropRunsBefore(text, QLatin1Char(' '), u"\n");
    dropRunsAfter(text, u"\n", QLatin1Char(' '));
    text.replace(QStringLiteral("\r\n"), lf);
    text.replace(QStringLiteral("p>\n"), QStringLiteral("p>"));
    text.replace(QStringLiteral("\n<p"), QStringLiteral("<p"));
    text.replace(QStringLiteral("\n</p"), QStringLiteral("</p"));
    text.replace(QStringLiteral("br />\n"), QStringLiteral("br/>"));
    text.replace(QStringLiteral("br/>\n"), QStringLiteral("br/>"));
    text.replace(QStringLiteral("br>\n"), QStringLiteral("br/>"));
    text.replace(QStringLiteral("\n<br"), QStringLiteral("<br"));
    text.replace(QStringLiteral("div>\n"), QStringLiteral("div>"));
    text.replace(QStringLiteral("\n<div"), QStringLiteral("<div"));
    text.replace(QStringLiteral("\n</div"), QStringLiteral("</div"));
    dropRunsBefore(text, QLatin1Char(' '), u"<li");
    dropRunsBefore(text, QLatin1Char('\n'), u"<li");
    dropRunsAfter(text, u"</li>", QLatin1Char('\n'));

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
