#include "EditorPageBuilder.h"

#include "Color.h"
#include "RichEditorLog.h"
#include "StringExtensions.h"
#include "Template.h"

#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

using namespace Qt::StringLiterals;

QString resourceText(const QString& path, const char* missing)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcRichEditor) << missing;
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// The inside of a CSS string in the given quotes.
QString escapedForCssString(const QString& text, QChar quote)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\' || c == quote)
            escaped += u'\\';
        if (c == u'\n' || c == u'\r' || c == u'\f') {
            escaped += "\\a "_L1;
            continue;
        }
        escaped += c;
    }
    return escaped;
}

QString cssColor(const std::optional<rv::Color>& color, const char* fallback)
{
    return color ? rv::CSSColorSpec(*color) : QString::fromLatin1(fallback);
}

// A 7 by 7 square, grey frame on white.
const char HandlePicture[] = "data:image/png;base64,"
                             "iVBORw0KGgoAAAANSUhEUgAAAAcAAAAHCAYAAADEUlfTAAAAF0lEQVR42mNwcHD4jwszg"
                             "AhsYEAlcWEABQ2NhQsHiJYAAAAA"
                             "SUVORK5CYII=";
// One pixel wide, a light grey fading down over 16 pixels.
const char BarPicture[] =
    "data:image/png;base64,"
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAAQCAYAAADXnxW3AAAAQ0lEQVR42gXB0QoAEQAAwf3/"
    "b5QkSZckSfKyN8N7T+69cs6R"
    "vbestWTOKWMM6b3L933SWpNaq5RSJOcsKSWJMUoIwR+GzzwBJnbF1gAAAABJRU5ErkJggg==";

} // namespace

EditorPageBuilder::Resources EditorPageBuilder::bundledResources()
{
    return {resourceText(u":/plumet/richeditor/editTemplate.html"_s, "Missing template file!"),
            resourceText(u":/plumet/richeditor/editTemplate.css"_s, "Missing css file!")};
}

EditorPageBuilder::EditorPageBuilder(Resources resources) : m_resources(std::move(resources)) {}

std::optional<EditorPageBuilder::Page> EditorPageBuilder::build(const QString& mainContent,
                                                                const Template& richTemplate,
                                                                const QString& blocks) const
{
    if (m_resources.page.isNull() || m_resources.styleSheet.isNull())
        return std::nullopt;
    Page page;
    page.defaultAlignment = alignmentKeyword(richTemplate.alignment());
    QHash<QString, QString> values{
        {u"HANDLE"_s, QString::fromLatin1(HandlePicture)},
        {u"BGIMG"_s, QString::fromLatin1(BarPicture)},
        {u"FONT"_s, fontValue(richTemplate)},
        {u"ALIGN"_s, page.defaultAlignment},
        {u"BACKGROUND"_s, backgroundValue(richTemplate)},
        {u"TEXTCOLOR"_s, textColorValue(richTemplate)},
    };
    // The template's own CSS follows the filled-in sheet as it is.
    page.style = substitute(m_resources.styleSheet, values) + richTemplate.css();

    // In the page every value but the content is text, escaped as such.
    for (QString& value : values)
        value = rv::encodeXML(value);
    values.insert(u"SCRIPT"_s, QString());
    values.insert(u"STYLE"_s, rv::encodeXML(page.style));
    values.insert(u"MAIN"_s, rv::encodeXML(mainContent));
    values.insert(u"BLOCKS"_s, rv::encodeXML(blocks));
    page.html = substitute(m_resources.page, values);
    return page;
}

QString EditorPageBuilder::mainContent(const QString& source,
                                       const QList<std::pair<QString, QString>>& attachmentMarkup)
{
    if (source.trimmed().isEmpty())
        return u"<p>&nbsp;</p>"_s;
    QStringList keys;
    QHash<QString, QString> markup;
    for (const auto& [key, text] : attachmentMarkup) {
        if (!key.isEmpty() && !markup.contains(key)) {
            keys.append(QRegularExpression::escape(key));
            markup.insert(key, text);
        }
    }
    if (keys.isEmpty())
        return source;
    // The longest key first, where one key begins another.
    std::sort(keys.begin(), keys.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    const QRegularExpression anyKey(keys.join(u'|'));
    QString content;
    content.reserve(source.size());
    qsizetype copied = 0;
    QRegularExpressionMatchIterator matches = anyKey.globalMatch(source);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        content += QStringView(source).mid(copied, match.capturedStart() - copied);
        content += markup.value(match.captured());
        copied = match.capturedEnd();
    }
    content += QStringView(source).mid(copied);
    return content;
}

QString EditorPageBuilder::substitute(const QString& text, const QHash<QString, QString>& values)
{
    QString result;
    result.reserve(text.size());
    qsizetype copied = 0;
    qsizetype at = text.indexOf(u'$');
    while (at >= 0) {
        const qsizetype close = text.indexOf(u'$', at + 1);
        if (close < 0)
            break;
        const auto found = values.constFind(text.mid(at + 1, close - at - 1));
        if (found == values.constEnd()) {
            // This dollar sign opens nothing; the next one may.
            at = close;
            continue;
        }
        result += QStringView(text).mid(copied, at - copied);
        result += *found;
        copied = close + 1;
        at = text.indexOf(u'$', copied);
    }
    result += QStringView(text).mid(copied);
    return result;
}

QString EditorPageBuilder::fontValue(const Template& richTemplate)
{
    // A stored or captured size may be anything: none that is not a number,
    // and no more than a sane size in whole pixels.
    const double points = richTemplate.fontSize().value_or(12.0);
    const int size = std::isfinite(points) ? int(std::clamp(points, 1.0, 1000.0)) : 12;
    return u"%1px \"%2\""_s.arg(size).arg(escapedForCssString(richTemplate.fontName(), u'"'));
}

QString EditorPageBuilder::alignmentKeyword(int alignment)
{
    switch (alignment) {
    case 0:
        return u"justify"_s;
    case 2:
        return u"right"_s;
    case 3:
        return u"center"_s;
    default:
        return u"left"_s;
    }
}

QString EditorPageBuilder::backgroundValue(const Template& richTemplate)
{
    const QString colour = cssColor(richTemplate.backgroundColor(), "white");
    const QString image = richTemplate.backgroundImage();
    if (image.isEmpty())
        return colour;
    const QString address = QUrl::fromLocalFile(image).toString(QUrl::FullyEncoded);
    return u"%1repeat url('%2') %3"_s.arg(richTemplate.tileBackground().value_or(false) ? QString()
                                                                                        : u"no-"_s,
                                          escapedForCssString(address, u'\''), colour);
}

QString EditorPageBuilder::textColorValue(const Template& richTemplate)
{
    return cssColor(richTemplate.textColor(), "black");
}
