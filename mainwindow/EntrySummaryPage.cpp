#include "EntrySummaryPage.h"

#include "Category.h"
#include "Entry.h"
#include "Localization.h"
#include "StringEncoding.h"

#include <QUrl>

namespace EntrySummaryPage {

namespace {

const char* const table = "EntryArrayController";

// Built once; %1-%3 are the labels, %4-%6 the values, all filled in one pass
// so that a value can never bring a placeholder of its own.
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
                       "</style>\n</head>\n<body>\n"
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

} // namespace

QString excerptHtml(const Entry& entry)
{
    const QString summary = entry.summary();
    const QString source = !summary.isEmpty() ? summary : entry.body();
    QString text = rv::convertEntities(rv::stripHTML(source));
    if (text.size() <= excerptLength)
        return text.toHtmlEscaped();
    qsizetype cut = excerptLength;
    // Never half a character.
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut).toHtmlEscaped() + QStringLiteral("&#8230;");
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
    const QString permalink = entry.permaLink();
    const QString target = permalinkTarget(permalink);
    QString link = permalink.toHtmlEscaped();
    if (!target.isEmpty())
        link = QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), link);
    return pageTemplate().arg(localized(table, "Summary"), localized(table, "Categories"),
                              localized(table, "Permalink"), excerptHtml(entry),
                              categoriesText(entry).toHtmlEscaped(), link);
}

} // namespace EntrySummaryPage
