// Feeds the three template fillers what a blog's templates and a post could
// hold: the preview page, the rich editor's page and the quote draft. None may
// crash, and each fills in one pass: rendered once with the real values and
// once with marks standing for them, the real page is the marked one with
// each mark replaced by its value, so no value is ever read for placeholders
// and each is escaped the same way wherever it goes.
//
// Input: fields separated by "\x01" (see Field); the first byte picks the
// alignment.
#include "Blog.h"
#include "Category.h"
#include "EditorPageBuilder.h"
#include "Entry.h"
#include "EntryRenderer.h"
#include "QuoteDraft.h"
#include "StringExtensions.h"
#include "Template.h"

#include <QCoreApplication>
#include <QUrl>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

enum Field {
    PreviewHtml,
    PreviewBody,
    PreviewCss,
    PreviewJs,
    Title,
    Body,
    Extended,
    Summary,
    Keywords,
    TagTitle,
    RichCss,
    FontName,
    FontSize,
    Colours,
    BackgroundImage,
    MainContent,
    Blocks,
    QuoteTitle,
    QuoteBody,
    Selection,
    SourceName,
    Address,
    FieldCount
};

// Marks: characters of the private use area, taken out of the input first.
QString mark(int n)
{
    return QString(QChar(char16_t(0xE000 + n)));
}

QString withoutMarks(QString text)
{
    text.removeIf([](QChar c) { return c.unicode() >= 0xE000 && c.unicode() < 0xE100; });
    return text;
}

// Each mark of `text` replaced by its value, in one pass.
QString unmarked(const QString& text, const QHash<QString, QString>& values)
{
    QString out;
    for (const QChar c : text)
        out += values.value(QString(c), QString(c));
    return out;
}

std::optional<rv::Color> colourFrom(const QStringList& parts, qsizetype first)
{
    if (parts.size() < first + 4)
        return std::nullopt;
    return rv::Color(parts[first].toDouble(), parts[first + 1].toDouble(),
                     parts[first + 2].toDouble(), parts[first + 3].toDouble());
}

// The preview page of an entry with these texts, and the values that fill
// it: the entry's texts as it keeps them, and its formatted text.
struct Preview {
    QString page;
    QHash<QString, QString> values;
};

Preview previewPage(Blog& blog, const QString& title, const QString& body, const QString& extended,
                    const QString& summary, const QString& keywords, const QString& tag)
{
    auto entry = Entry::create();
    blog.addEntry(entry);
    entry->setFormat(QStringLiteral("none at all"));
    entry->setEntryDate(QDateTime::fromSecsSinceEpoch(1700000000));
    entry->setTitle(title);
    entry->setBody(body);
    entry->setExtended(extended);
    entry->setSummary(summary);
    entry->setKeywords(keywords);
    if (!tag.isEmpty())
        entry->setCategories(CategoryList{Category::withTitle(tag)});
    const EntryRenderer renderer(*entry);
    const auto nfc = [](const QString& s) { return s.normalized(QString::NormalizationForm_C); };
    const QString text = renderer.formattedText();
    Preview preview{renderer.renderForPreview(),
                    {{mark(1), nfc(entry->title())},
                     {mark(2), text.isEmpty() ? QStringLiteral("<p>&nbsp;</p>") : text},
                     {mark(3), nfc(entry->summary())},
                     {mark(4), nfc(rv::encodeXML(entry->keywords()))}}};
    blog.removeEntry(entry.get());
    return preview;
}

void checkPreview(const QStringList& f)
{
    static Blog blog;
    auto preview = std::make_shared<Template>();
    preview->setHtml(f[PreviewHtml]);
    preview->setBody(f[PreviewBody]);
    preview->setCss(f[PreviewCss]);
    preview->setJs(f[PreviewJs]);
    blog.setPreviewTemplate(preview);
    auto tags = std::make_shared<Template>();
    tags->setUrl(f[Address]);
    tags->setSeparator(f[SourceName]);
    blog.setTagTemplate(tags);

    const Preview real =
        previewPage(blog, f[Title], f[Body], f[Extended], f[Summary], f[Keywords], f[TagTitle]);
    const Preview marked =
        previewPage(blog, mark(1), mark(2), QString(), mark(3), mark(4), f[TagTitle]);
    check(real.page == unmarked(marked.page, real.values));
}

void checkRichPage(const QStringList& f, int alignment)
{
    static const EditorPageBuilder builder;
    Template rich;
    rich.setFontName(f[FontName]);
    bool ok = false;
    const double size = f[FontSize].toDouble(&ok);
    rich.setFontSize(ok ? std::optional<double>(size) : std::nullopt);
    const QStringList colours = f[Colours].split(u' ');
    rich.setBackgroundColor(colourFrom(colours, 0));
    rich.setTextColor(colourFrom(colours, 4));
    rich.setBackgroundImage(f[BackgroundImage]);
    rich.setTileBackground(alignment & 4);
    rich.setAlignment(alignment % 5);

    rich.setCss(f[RichCss]);
    const auto page = builder.build(f[MainContent], rich, f[Blocks]);
    rich.setCss(mark(6));
    const auto marked = builder.build(mark(5), rich, mark(7));
    check(page && marked); // the page and style sheet are built in
    check(page->style == unmarked(marked->style, {{mark(6), f[RichCss]}}));
    check(page->html == unmarked(marked->html, {{mark(5), rv::encodeXML(f[MainContent])},
                                                {mark(6), rv::encodeXML(f[RichCss])},
                                                {mark(7), rv::encodeXML(f[Blocks])}}));
    check(page->defaultAlignment == marked->defaultAlignment);

    // Any text filled alike, whatever its dollar signs.
    const QHash<QString, QString> values{{QStringLiteral("FONT"), f[FontName]},
                                         {QStringLiteral("MAIN"), f[MainContent]}};
    const QString filled = EditorPageBuilder::substitute(f[PreviewHtml], values);
    const QString filledMarked = EditorPageBuilder::substitute(
        f[PreviewHtml], {{QStringLiteral("FONT"), mark(8)}, {QStringLiteral("MAIN"), mark(9)}});
    check(filled == unmarked(filledMarked, {{mark(8), f[FontName]}, {mark(9), f[MainContent]}}));
}

void checkQuote(const QStringList& f)
{
    Template quote;
    quote.setTitle(f[QuoteTitle]);
    quote.setBody(f[QuoteBody]);
    const QString quoteHtml = QuoteDraft::quoteHtml(f[Selection]);
    QString bare = quoteHtml;
    bare.remove(QStringLiteral("<p>"))
        .remove(QStringLiteral("</p>"))
        .remove(QStringLiteral("<br />"));
    check(!bare.contains(u'<') && !bare.contains(u'>') && !bare.contains(u'"'));

    const QuoteDraft::Fields plain{f[Title], f[Address], f[Selection], f[SourceName], f[Address]};
    const QuoteDraft::Fields marks{mark(10), mark(11), mark(12), mark(13), mark(14)};
    const QuoteDraft::Filled filled = QuoteDraft::fill(&quote, plain, quoteHtml);
    const QuoteDraft::Filled marked = QuoteDraft::fill(&quote, marks, mark(15));
    using QuoteDraft::escaped;
    check(filled.body == unmarked(marked.body, {{mark(10), escaped(f[Title])},
                                                {mark(11), escaped(f[Address])},
                                                {mark(13), escaped(f[SourceName])},
                                                {mark(14), escaped(f[Address])},
                                                {mark(15), quoteHtml}}));
    const QString title = QuoteDraft::fillPlaceholders(f[QuoteTitle], marks);
    check(filled.title == unmarked(title, {{mark(10), f[Title]},
                                           {mark(11), f[Address]},
                                           {mark(12), f[Selection]},
                                           {mark(13), f[SourceName]},
                                           {mark(14), f[Address]}})
                              .simplified());

    const QString address = QuoteDraft::webAddress(f[Address]);
    if (!address.isEmpty()) {
        const QUrl url(address);
        check((url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
              !url.host().isEmpty());
    }
    const QuoteDraft::UrlQuery query = QuoteDraft::parseUrl(f[Address]);
    check(query.url.isEmpty() || !QuoteDraft::webAddress(query.url).isEmpty());
    check(query.trackback.isEmpty() || !QuoteDraft::webAddress(query.trackback).isEmpty());
    QuoteDraft::entryFromUrl(f[Address], &quote);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_templates";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const bool ready = [] {
        // No formatter: the post's text reaches the page as it is.
        const auto none = [](const QString&) -> PLUMETFormatterProtocol* { return nullptr; };
        EntryRenderer::setFormatterLookup({none, none});
        return true;
    }();
    (void)ready;
    if (size < 1)
        return 0;
    const int alignment = data[0];
    QStringList fields = withoutMarks(QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                                        qsizetype(size - 1)))
                             .split(u'\x01');
    while (fields.size() < FieldCount)
        fields.append(QString());

    checkPreview(fields);
    checkRichPage(fields, alignment);
    checkQuote(fields);
    return 0;
}
