#include "EntrySummaryPage.h"

#include "Category.h"
#include "Entry.h"
#include "Localization.h"
#include "PaletteColors.h"
#include "StringEncoding.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QUrl>

namespace EntrySummaryPage {

namespace {

const char* const table = "EntryArrayController";

// Built once; %1-%3 are the labels, %4-%6 the values and %7 the palette's
// colours, all filled in one pass so that a value can never bring a
// placeholder of its own.
const QString& pageTemplate()
{
    static const QString text =
        QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                       "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
                       "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\n"
                       "<title>plumet</title>\n<style type=\"text/css\">\n"
                       "body { font-family: 'Lucida Grande',lucida,sans-serif; font-size: 11px; "
                       "line-height: 14px; text-align: left; margin: 2px 10px 2px 10px; }\n"
                       "p { margin: 1px 6px 1px 0px; padding: 0px; }\n"
                       "p.head { font-weight: bold; text-align: right; white-space: nowrap; }\n"
                       "%7</style>\n</head>\n<body>\n"
                       "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\">\n"
                       "<tr><td valign=\"top\"><p class=\"head\">%1:</p></td>"
                       "<td valign=\"top\"><p>&#8220;%4&#8221;</p></td></tr>\n"
                       "<tr><td valign=\"top\"><p class=\"head\">%2:</p></td>"
                       "<td valign=\"top\"><p>&#171;%5&#187;</p></td></tr>\n"
                       "<tr><td valign=\"top\"><p class=\"head\">%3:</p></td>"
                       "<td valign=\"top\"><p>%6</p></td></tr>\n"
                       "</table>\n</body>\n</html>\n");
    return text;
}

QStringList paragraphs(const QString& html)
{
    // Where a block of the markup ends, a paragraph ends: the tag becomes a
    // blank line before the tags go, so that "<p>One</p><p>Two</p>" does not
    // read "OneTwo".
    static const QRegularExpression blockTag(
        QStringLiteral("<\\s*/?\\s*(?:p|div|br|li|h[1-6]|blockquote|pre|tr|ul|ol|dl|dt|dd|table|hr)"
                       "\\b[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression blankLine(QStringLiteral("\\n[ \\t\\r\\f\\v]*\\n"));
    QString text = html;
    text.replace(blockTag, QStringLiteral("\n\n"));
    text = rv::convertEntities(rv::stripHTML(text));
    QStringList kept;
    for (const QString& part : text.split(blankLine)) {
        // Inside a paragraph white space is one space, as the page shows it.
        const QString paragraph = part.simplified();
        if (!paragraph.isEmpty())
            kept.append(paragraph);
    }
    return kept;
}

} // namespace

QString excerptHtml(const Entry& entry)
{
    const QString summary = entry.summary();
    const QStringList parts = paragraphs(!summary.isEmpty() ? summary : entry.body());
    // Each break between paragraphs counts as one character of the excerpt.
    QStringList shown;
    qsizetype room = excerptLength;
    bool cut = false;
    for (const QString& part : parts) {
        if (!shown.isEmpty()) {
            if (room <= 0) {
                cut = true;
                break;
            }
            --room;
        }
        if (part.size() <= room) {
            shown.append(part.toHtmlEscaped());
            room -= part.size();
            continue;
        }
        qsizetype end = room;
        // Never half a character.
        if (end > 0 && part.at(end - 1).isHighSurrogate())
            --end;
        if (end > 0)
            shown.append(part.left(end).toHtmlEscaped());
        cut = true;
        break;
    }
    QString excerpt = shown.join(QStringLiteral("<br />"));
    if (cut)
        excerpt += QStringLiteral("&#8230;");
    return excerpt;
}

QString categoriesText(const Entry& entry)
{
    QStringList names;
    if (const auto categories = entry.categories()) {
        for (const CategoryPtr& category : *categories) {
            if (category)
                names.append(category->displayName());
        }
    }
    return names.join(QStringLiteral(", "));
}

QString permalinkTarget(const QString& permalink)
{
    if (permalink.isEmpty())
        return {};
    const QString text = permalink.contains(QLatin1String("://"), Qt::CaseInsensitive)
                             ? permalink
                             : QStringLiteral("http://") + permalink;
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return text;
}

QString page(const Entry& entry)
{
    return page(entry, QGuiApplication::palette());
}

QString page(const Entry& entry, const QPalette& palette)
{
    const QString permalink = entry.permaLink();
    const QString target = permalinkTarget(permalink);
    QString link = permalink.toHtmlEscaped();
    if (!target.isEmpty())
        link = QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), link);
    return pageTemplate().arg(localized(table, "Summary"), localized(table, "Categories"),
                              localized(table, "Permalink"), excerptHtml(entry),
                              categoriesText(entry).toHtmlEscaped(), link,
                              PaletteColors::pageStyle(palette));
}

} // namespace EntrySummaryPage
