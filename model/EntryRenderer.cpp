#include "EntryRenderer.h"

#include "Account.h"
#include "Blog.h"
#include "Category.h"
#include "DisplayStrings.h"
#include "Entry.h"
#include "EntryContent.h"
#include "FormatterManager.h"
#include "HtmlCharacters.h"
#include "HtmlTidy.h"
#include "StringExtensions.h"
#include "Template.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QThreadPool>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <array>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

EntryRenderer::FormatterLookup sharedLookup()
{
    return {
        [](const QString& format) {
            return FormatterManager::sharedInstance().formatterForFormat(format);
        },
        [](const QString& key) { return FormatterManager::sharedInstance().formatterForKey(key); }};
}

EntryRenderer::FormatterLookup& lookup()
{
    static EntryRenderer::FormatterLookup current = sharedLookup();
    return current;
}

QString composed(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C);
}

const QString genericKey = QStringLiteral("Generic");

// Every placeholder of `text` replaced by its value, left to right; what a
// value brings is not read again.
template <std::size_t N>
QString filledOnce(const QString& text,
                   const std::array<std::pair<QLatin1String, QString>, N>& values)
{
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u'$'); at >= 0; at = text.indexOf(u'$', at)) {
        const QStringView rest = QStringView(text).sliced(at);
        const auto found = std::find_if(values.begin(), values.end(), [rest](const auto& value) {
            return rest.startsWith(value.first);
        });
        if (found == values.end()) {
            ++at;
            continue;
        }
        out += QStringView(text).sliced(copied, at - copied);
        out += found->second;
        at += found->first.size();
        copied = at;
    }
    out += QStringView(text).sliced(copied);
    return out;
}

// One thread, so that formatters written for a synchronous protocol are never
// called twice at once.
QThreadPool& formatterPool()
{
    static QThreadPool* pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(1);
        made->setExpiryTimeout(30000);
        return made;
    }();
    return *pool;
}

} // namespace

void EntryRenderer::setFormatterLookup(FormatterLookup replacement)
{
    lookup() =
        replacement.forFormat && replacement.forKey ? std::move(replacement) : sharedLookup();
}

PLUMETFormatterProtocol* EntryRenderer::formatter(EmptyFormat whenEmpty) const
{
    const QString format = m_entry.format();
    Blog* blog = dynamic_cast<Blog*>(m_entry.parentBlog());
    Account* account = blog ? blog->account() : nullptr;
    if (format.isEmpty()) {
        switch (whenEmpty) {
        case EmptyFormat::Generic:
            return lookup().forKey(genericKey);
        case EmptyFormat::None:
            return nullptr;
        case EmptyFormat::NoneWhenAccountHasFormats: {
            const bool hasFormats = account && account->formats() && !account->formats()->isEmpty();
            return hasFormats ? nullptr : lookup().forKey(genericKey);
        }
        }
    }
    if (PLUMETFormatterProtocol* found = lookup().forFormat(format))
        return found;
    const QString label = account ? account->labelForFormat(format) : QString();
    return label.isNull() ? nullptr : lookup().forFormat(label);
}

QString EntryRenderer::sourceText() const
{
    QString text = m_entry.body();
    const QString extended = m_entry.extended();
    if (!extended.isEmpty())
        text = text.isNull() ? extended : text + QStringLiteral("\n\n") + extended;
    return text;
}

QString EntryRenderer::formattedText() const
{
    const QString text = sourceText();
    PLUMETFormatterProtocol* found = formatter(EmptyFormat::Generic);
    return composed(found ? FormatterManager::formatText(found, text) : text);
}

void EntryRenderer::formattedTextLater(QObject* context,
                                       std::function<void(const QString&)> done) const
{
    // What the entry says is read here, on the caller's thread; only the
    // formatter's work moves.
    const QString text = sourceText();
    PLUMETFormatterProtocol* found = formatter(EmptyFormat::Generic);
    auto* watcher = new QFutureWatcher<QString>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         if (done)
                             done(watcher->result());
                     });
    watcher->setFuture(QtConcurrent::run(&formatterPool(), [found, text] {
        return composed(found ? FormatterManager::formatText(found, text) : text);
    }));
}

PLUMETFormatterProtocol* EntryRenderer::usedFormatter() const
{
    return formatter(EmptyFormat::None);
}

QString EntryRenderer::urlTemplateForSelectedFormat() const
{
    PLUMETFormatterProtocol* found = formatter(EmptyFormat::Generic);
    return found ? found->urlTemplate() : QString();
}

QString EntryRenderer::renderForRichEdit(const QString& text) const
{
    // A null answer means invalid HTML; an empty text is valid, however it was made.
    if (text.isEmpty())
        return QStringLiteral("");
    PLUMETFormatterProtocol* found = formatter(EmptyFormat::NoneWhenAccountHasFormats);
    const QString result = found ? FormatterManager::formatText(found, text) : text;
    if (result.isEmpty() || !found || !found->allowsHTMLEditing())
        return result;
    return htmlIsValid(result) ? result : QString();
}

void EntryRenderer::renderForRichEditLater(const QString& text, QObject* context,
                                           std::function<void(const QString&)> done) const
{
    renderLater(text, context, std::move(done), false);
}

void EntryRenderer::validateLater(const QString& text, QObject* context,
                                  std::function<void(const QString&)> done) const
{
    renderLater(text, context, std::move(done), true);
}

void EntryRenderer::renderLater(const QString& text, QObject* context,
                                std::function<void(const QString&)> done, bool alwaysCheck) const
{
    PLUMETFormatterProtocol* found = formatter(EmptyFormat::NoneWhenAccountHasFormats);
    const bool checks = alwaysCheck || (found && found->allowsHTMLEditing());
    QPointer<Entry> entry(&m_entry);
    auto* watcher = new QFutureWatcher<QString>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, context, checks, entry, done = std::move(done)] {
                         watcher->deleteLater();
                         const QString result = watcher->result();
                         if (result.isEmpty() || !checks) {
                             if (done)
                                 done(result);
                             return;
                         }
                         if (entry) {
                             entry->setValidationErrorMessage(QString());
                             entry->setFixedHTML(QString());
                         }
                         HtmlTidy::validateLater(
                             result, context,
                             [entry, result, done](const HtmlTidy::Validation& validation) {
                                 if (entry) {
                                     entry->setValidationErrorMessage(validation.report);
                                     entry->setFixedHTML(validation.fixedHTML);
                                 }
                                 if (done)
                                     done(validation.valid ? result : QString());
                             });
                     });
    // A null answer means invalid HTML; an empty text is valid, however it was made.
    watcher->setFuture(QtConcurrent::run(&formatterPool(), [found, text] {
        if (text.isEmpty())
            return QStringLiteral("");
        return found ? FormatterManager::formatText(found, text) : text;
    }));
}

void EntryRenderer::catsAndTagsNames(QString& categories, QString& tags) const
{
    const auto list = m_entry.categories();
    if (!list)
        return;
    Blog* blog = dynamic_cast<Blog*>(m_entry.parentBlog());
    const TemplatePtr tagTemplate = blog ? blog->tagTemplate() : TemplatePtr();
    const QString separator = tagTemplate ? tagTemplate->separator() : QStringLiteral(", ");
    const QString prefix = tagTemplate ? tagTemplate->url() : QString();
    for (const auto& category : *list) {
        const QString encoded = rv::encodeXML(category->title());
        if (category->isCategory()) {
            if (!categories.isEmpty())
                categories += separator;
            categories += encoded;
        }
        if (category->isTag()) {
            if (!tags.isEmpty())
                tags += separator;
            tags +=
                QStringLiteral("<a href=\"%1%2\" rel=\"tag\">%3</a>")
                    .arg(rv::encodeXML(prefix),
                         QString::fromLatin1(QUrl::toPercentEncoding(category->title())), encoded);
        }
    }
}

QString EntryRenderer::renderForPreview() const
{
    return previewPage(formattedText());
}

void EntryRenderer::renderForPreviewLater(QObject* context,
                                          std::function<void(const QString&)> done) const
{
    QPointer<Entry> entry(&m_entry);
    formattedTextLater(context, [entry, done = std::move(done)](const QString& text) {
        if (!done)
            return;
        done(entry ? EntryRenderer(*entry).previewPage(text) : QString());
    });
}

QString EntryRenderer::previewPage(const QString& text) const
{
    Blog* blog = dynamic_cast<Blog*>(m_entry.parentBlog());
    const TemplatePtr preview = blog ? blog->previewTemplate() : Template::defaultPreviewTemplate();
    QString page;
    const QString body = preview->body();
    if (!body.contains(QLatin1String("<html"))) {
        page = preview->html();
        page.replace(QLatin1String("$script$"), preview->js());
        page.replace(QLatin1String("$css$"), preview->css());
        page.replace(QLatin1String("$body$"), body);
    } else {
        page = body;
    }
    QString categories, tags;
    catsAndTagsNames(categories, tags);
    // The entry's texts go in together, in one pass: a post or a title that
    // mentions "$title$" shows it as written, not the value of another field.
    const std::array<std::pair<QLatin1String, QString>, 7> values{{
        {QLatin1String("$body$"), text.isEmpty() ? QStringLiteral("<p>&nbsp;</p>") : text},
        {QLatin1String("$tags$"), composed(tags)},
        {QLatin1String("$categories$"), composed(categories)},
        // Keywords are what the user typed, not markup.
        {QLatin1String("$keywords$"), composed(rv::encodeXML(m_entry.keywords()))},
        {QLatin1String("$summary$"), composed(m_entry.summary())},
        {QLatin1String("$date$"), cutils::commonDateString(m_entry.entryDate(), false)},
        {QLatin1String("$title$"), composed(m_entry.title())},
    }};
    page = filledOnce(page, values);
    EntryContent(m_entry).applyAttachmentMarkup(page);
    return page;
}

bool EntryRenderer::htmlIsValid(const QString& html) const
{
    m_entry.setValidationErrorMessage(QString());
    m_entry.setFixedHTML(QString());
    const HtmlTidy::Validation validation = HtmlTidy::validate(html);
    m_entry.setValidationErrorMessage(validation.report);
    m_entry.setFixedHTML(validation.fixedHTML);
    return validation.valid;
}

namespace {

// The tag name of a tag link's address: its last path component, unescaped.
// The first match at or after a position, asked for positions that never go
// back: an answer found earlier holds while it lies ahead, and no answer holds.
class NextMatch {
public:
    NextMatch(const QString& text, QString needle, Qt::CaseSensitivity cs = Qt::CaseSensitive)
        : m_text(text), m_needle(std::move(needle)), m_cs(cs)
    {
    }
    qsizetype from(qsizetype position)
    {
        if (m_found == notSearched || (m_found >= 0 && m_found < position))
            m_found = m_text.indexOf(m_needle, position, m_cs);
        return m_found;
    }

private:
    const QString& m_text;
    QString m_needle;
    Qt::CaseSensitivity m_cs;
    static constexpr qsizetype notSearched = -2;
    qsizetype m_found = notSearched;
};

QString tagNameFromHref(const QString& href)
{
    QString component = href;
    while (component.endsWith(QLatin1Char('/')))
        component.chop(1);
    component = component.mid(component.lastIndexOf(QLatin1Char('/')) + 1);
    const QByteArray raw = QByteArray::fromPercentEncoding(component.toUtf8());
    // Stateless: a name ending in half a character is an error, not a pending tail.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = utf8(raw);
    if (utf8.hasError()) // an older page in a single-byte encoding
        name = QString::fromLatin1(QByteArray::fromPercentEncoding(component.toLatin1()));
    return name.replace(QLatin1Char('+'), QLatin1Char(' '));
}

constexpr QStringView tagBlockStart = u"<!-- technorati tags start -->";
constexpr QStringView tagBlockEnd = u"<!-- technorati tags end -->";
constexpr QStringView tagBlockMarker = u"posttagsblock";

// What extractTags looks for in a text: "rel=" of tag links, and a tag block
// (its opening comment or its class marker).
struct TagMarkers {
    bool rel = false;
    bool block = false;
};

// A refresh runs every text it lists through extractTags, and most hold
// neither: the markers are found in one pass by a character of each that is
// rare in text ("=", "!", "k"), looked for eight units at a time.
TagMarkers findTagMarkers(QStringView text)
{
    TagMarkers found;
    const auto endsAt = [&text](qsizetype end, QStringView word) {
        return end + 1 >= word.size() && text.sliced(end + 1 - word.size(), word.size()) == word;
    };
    const auto check = [&](qsizetype at) {
        const QChar c = text[at];
        if (c == u'=')
            found.rel = found.rel || endsAt(at, u"rel=");
        else if (c == u'!')
            found.block = found.block || (at >= 1 && text.sliced(at - 1).startsWith(tagBlockStart));
        else if (c == u'k')
            found.block = found.block || endsAt(at, tagBlockMarker);
        return found.rel && found.block;
    };
    qsizetype at = 0;
#if defined(__SSE2__)
    const auto* const units = reinterpret_cast<const char16_t*>(text.utf16());
    const __m128i equals = _mm_set1_epi16(u'=');
    const __m128i bang = _mm_set1_epi16(u'!');
    const __m128i k = _mm_set1_epi16(u'k');
    for (; text.size() - at >= 8; at += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at));
        const __m128i hits =
            _mm_or_si128(_mm_cmpeq_epi16(eight, equals),
                         _mm_or_si128(_mm_cmpeq_epi16(eight, bang), _mm_cmpeq_epi16(eight, k)));
        unsigned mask = unsigned(_mm_movemask_epi8(hits));
        while (mask) {
            const int bit = std::countr_zero(mask);
            if (check(at + bit / 2))
                return found;
            mask &= ~(3u << bit); // two bits a unit
        }
    }
#endif
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if ((c == u'=' || c == u'!' || c == u'k') && check(at))
            return found;
    }
    return found;
}

} // namespace

QString EntryRenderer::extractTags(const QString& text) const
{
    if (text.isEmpty())
        return text;
    Blog* blog = dynamic_cast<Blog*>(m_entry.parentBlog());
    // Only what the way out encoded is decoded: "&lt;script&gt;" stays text.
    QString t = rv::trimWhitespace(
        blog && blog->convertEntities() ? rv::decodeCharactersInHTML(text) : text);

    const TagMarkers markers = findTagMarkers(t);
    const bool single = markers.rel && t.contains(QLatin1String("rel='"));
    const QString relMarker = single ? QStringLiteral("rel='") : QStringLiteral("rel=\"");
    const QString hrefMarker = single ? QStringLiteral("href='") : QStringLiteral("href=\"");
    const QChar quote = single ? QLatin1Char('\'') : QLatin1Char('"');

    // Every search below starts at or after where the previous one of its kind
    // started, so each remembers its last answer: one walk through the text in
    // all, however many markers a hostile server packs into it.
    NextMatch nextClose(t, QStringLiteral(">"));
    NextMatch nextOpen(t, QStringLiteral("<"));
    NextMatch nextTagWord(t, QStringLiteral("tag"), Qt::CaseInsensitive);
    NextMatch nextHref(t, hrefMarker);
    NextMatch nextQuote(t, QString(quote));
    qsizetype lastOpen = -1;  // the last "<" before the marker
    qsizetype lastClose = -1; // the last ">" before the marker
    qsizetype scanned = 0;
    qsizetype parsedHref = -1;
    QString parsedName;

    QStringList names;
    auto keepTags = qScopeGuard([&] { EntryContent(m_entry).addTags(names); });
    qsizetype p = markers.rel ? 0 : t.size();
    while (p < t.size()) {
        const qsizetype r = t.indexOf(relMarker, p);
        if (r < 0)
            break;
        p = r + 4;
        for (; scanned < r; ++scanned) {
            if (t.at(scanned) == QLatin1Char('<'))
                lastOpen = scanned;
            else if (t.at(scanned) == QLatin1Char('>'))
                lastClose = scanned;
        }
        const qsizetype end = nextClose.from(r + 5);
        const qsizetype open = nextOpen.from(r + 5);
        if (end < 0 || (open >= 0 && open < end))
            continue;
        const qsizetype start = lastOpen;
        if (start < 0 || lastClose > start)
            continue;
        const qsizetype word = nextTagWord.from(r);
        if (word < 0 || word + 3 > end)
            continue;
        const qsizetype h = nextHref.from(start);
        if (h < 0)
            return t;
        const qsizetype valueStart = h + hrefMarker.size();
        const qsizetype valueEnd = nextQuote.from(valueStart);
        if (valueEnd < 0)
            return t;
        if (h != parsedHref) {
            // Markers of one element share its address: read it once.
            parsedHref = h;
            const QString href = t.mid(valueStart, valueEnd - valueStart);
            parsedName = QUrl(href).hasQuery() ? QString() : tagNameFromHref(href);
        }
        if (!parsedName.isEmpty())
            names.append(parsedName);
    }

    if (!markers.block)
        return t;
    const QStringView blockStart = tagBlockStart;
    const QStringView blockEnd = tagBlockEnd;
    const QStringView marker = tagBlockMarker;
    QString result = t;
    const qsizetype s = result.indexOf(blockStart);
    const qsizetype e = result.indexOf(blockEnd);
    if (s >= 0 && e >= 0 && e > s)
        result.remove(s, e + blockEnd.size() - s);
    const qsizetype q = result.indexOf(marker);
    if (q >= 0) {
        const qsizetype open = result.lastIndexOf(QLatin1Char('<'), q);
        if (open >= 0 && result.mid(open, q - open).contains(QLatin1String("class"))) {
            qsizetype nameEnd = open + 1;
            while (nameEnd < q && !result.at(nameEnd).isSpace())
                ++nameEnd;
            if (nameEnd < q) {
                const QString closing =
                    QStringLiteral("</%1>").arg(result.mid(open + 1, nameEnd - open - 1));
                const qsizetype close = result.indexOf(closing, q + marker.size());
                if (close >= 0)
                    result.remove(open, close + closing.size() - open);
            }
        }
    }
    return rv::trimWhitespace(result);
}

QString EntryRenderer::blogpostURL() const
{
    const EntryOwner* blog = m_entry.parentBlog();
    return QStringLiteral("x-blogpost://%1@%2")
        .arg(rv::MD5(m_entry.uniqueID()), blog ? blog->accountID() : QString());
}
