#include "HtmlTidy.h"

#include "Localization.h"
#include "TidyBlockPool.h"

#include <QFutureWatcher>
#include <QHash>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>
#include <optional>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>
#include <vector>

namespace {

const char* const documentStart =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"en\" lang=\"en\"><head><meta "
    "http-equiv=\"content-type\" content=\"text/html; charset=utf-8\" "
    "/><title>Untitled</title></head><body>";

// A Tidy document with its two buffers, released on every path.
class TidyRun {
public:
    TidyRun() : m_doc(tidyCreateWithAllocator(m_pool.allocator()))
    {
        tidyBufInit(&m_errors);
        tidyBufInit(&m_output);
    }
    ~TidyRun()
    {
        tidyBufFree(&m_errors);
        tidyBufFree(&m_output);
        tidyRelease(m_doc);
    }
    TidyRun(const TidyRun&) = delete;
    TidyRun& operator=(const TidyRun&) = delete;

    TidyDoc doc() const { return m_doc; }
    TidyBuffer* errors() { return &m_errors; }
    TidyBuffer* output() { return &m_output; }

    bool set(const char* option, const char* value)
    {
        return tidyOptParseValue(m_doc, option, value) == yes;
    }

    // Parses the bytes by their length: a NUL inside must not end the document.
    int parse(QByteArray& document)
    {
        TidyBuffer input;
        tidyBufInit(&input);
        tidyBufAttach(&input, reinterpret_cast<byte*>(document.data()), uint(document.size()));
        const int status = tidyParseBuffer(m_doc, &input);
        tidyBufDetach(&input);
        return status;
    }

    static QString text(const TidyBuffer& buffer)
    {
        return buffer.bp ? QString::fromUtf8(reinterpret_cast<const char*>(buffer.bp),
                                             qsizetype(buffer.size))
                         : QString();
    }

private:
    // Made first and gone last: the document's memory is the pool's.
    TidyBlockPool m_pool;
    TidyDoc m_doc;
    TidyBuffer m_errors;
    TidyBuffer m_output;
};

// Tidy counts lines of the wrapped document; the HTML starts on its third line.
QString shiftLineNumbers(const QString& report)
{
    static const QRegularExpression line(QStringLiteral("line(\\s*)(\\d+)"));
    QString result;
    qsizetype last = 0;
    auto it = line.globalMatch(report);
    while (it.hasNext()) {
        const auto match = it.next();
        result += report.mid(last, match.capturedStart() - last);
        result += QStringLiteral("line %1 ").arg(match.captured(2).toInt() - 2);
        last = match.capturedEnd();
        // Tidy writes "line 5 column 3": the space after the number is ours now.
        if (last < report.size() && report.at(last) == QLatin1Char(' '))
            ++last;
    }
    return result + report.mid(last);
}

// Elements that hold no content, or whose end tag HTML lets the writer leave out:
// neither makes the document deeper, whatever the text says.
bool opensNoLevel(QStringView name)
{
    static const QStringList names{
        QStringLiteral("area"),   QStringLiteral("base"),     QStringLiteral("br"),
        QStringLiteral("col"),    QStringLiteral("embed"),    QStringLiteral("hr"),
        QStringLiteral("img"),    QStringLiteral("input"),    QStringLiteral("link"),
        QStringLiteral("meta"),   QStringLiteral("param"),    QStringLiteral("source"),
        QStringLiteral("track"),  QStringLiteral("wbr"),      QStringLiteral("p"),
        QStringLiteral("li"),     QStringLiteral("dt"),       QStringLiteral("dd"),
        QStringLiteral("tr"),     QStringLiteral("td"),       QStringLiteral("th"),
        QStringLiteral("option"), QStringLiteral("optgroup"), QStringLiteral("thead"),
        QStringLiteral("tbody"),  QStringLiteral("tfoot"),    QStringLiteral("colgroup"),
        QStringLiteral("rb"),     QStringLiteral("rt"),       QStringLiteral("rp")};
    for (const QString& candidate : names)
        if (name.compare(candidate, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// What Tidy would face, from one walk through the tags: the deepest nesting and a
// bound on the pretty-printed size (each tag on a line of its own, indented by two
// spaces a level).
struct Shape {
    int deepest = 0;
    qint64 indentedSize = 0;
    // The most attributes in one tag: its words, and the '<' that a tag without its
    // '>' runs over.
    int attributes = 0;
};

// The attributes in the text of a tag after its name, counted up to just past
// `limit`: each word after white space, and each '<'.
int attributesIn(QStringView text, int limit)
{
    int count = 0;
    bool space = false;
    for (const QChar c : text) {
        if (c == u'<' || (space && !c.isSpace()))
            ++count;
        if (count > limit)
            break;
        space = c.isSpace();
    }
    return count;
}

// The elements open at a point of the walk, as an HTML parser keeps them: an end
// tag closes its element and everything opened inside it, and an end tag of an
// element that is not open closes nothing.
class OpenElements {
public:
    int depth() const { return int(m_names.size()); }

    void open(QStringView name)
    {
        m_names.push_back(name.toString().toLower());
        ++m_counts[m_names.back()];
    }

    void close(QStringView name)
    {
        const QString key = name.toString().toLower();
        const auto found = m_counts.find(key);
        if (found == m_counts.end() || *found == 0)
            return;
        // Each element is closed once, so the walk stays linear however the tags are
        // mixed.
        for (;;) {
            const QString last = std::move(m_names.back());
            m_names.pop_back();
            --m_counts[last];
            if (last == key)
                return;
        }
    }

private:
    std::vector<QString> m_names;
    QHash<QString, int> m_counts;
};

// The walk stops once the nesting or a tag's attributes are past their bound: the
// HTML is not tidied then, however the rest of it looks.
Shape shapeOf(const QString& html)
{
    Shape shape;
    shape.indentedSize = html.size();
    OpenElements openElements;
    const qsizetype size = html.size();
    // The first '>' at or after a point, kept between tags so that tags without one
    // (or far from one) do not each search to the end of the text.
    qsizetype nextClose = -1;
    // Where the tag text last counted ends: a tag starting inside it was counted with it.
    qsizetype countedTo = -1;
    for (qsizetype i = html.indexOf(u'<'); i >= 0 && i < size; i = html.indexOf(u'<', i + 1)) {
        if (QStringView(html).mid(i, 4) == u"<!--") {
            const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
            if (end < 0)
                break;
            i = end + 2;
            continue;
        }
        const bool closing = i + 1 < size && html.at(i + 1) == u'/';
        qsizetype start = i + (closing ? 2 : 1);
        qsizetype end = start;
        while (end < size &&
               (html.at(end).isLetterOrNumber() || html.at(end) == u'-' || html.at(end) == u':'))
            ++end;
        if (end == start)
            continue;
        if (nextClose != size && nextClose < end) {
            nextClose = html.indexOf(u'>', end);
            if (nextClose < 0)
                nextClose = size;
        }
        if (i >= countedTo) {
            const int attributes =
                attributesIn(QStringView(html).mid(end, nextClose - end), HtmlTidy::MaxAttributes);
            shape.attributes = std::max(shape.attributes, attributes);
            countedTo = nextClose;
            if (attributes > HtmlTidy::MaxAttributes)
                break;
        }
        const QStringView name = QStringView(html).mid(start, end - start);
        shape.indentedSize += 2 * qint64(openElements.depth()) + 1;
        if (opensNoLevel(name))
            continue;
        if (closing) {
            openElements.close(name);
            continue;
        }
        if (nextClose < size && html.at(nextClose - 1) == u'/')
            continue; // <x/> opens nothing
        openElements.open(name);
        shape.deepest = std::max(shape.deepest, openElements.depth());
        if (shape.deepest > HtmlTidy::MaxNesting)
            break;
    }
    return shape;
}

// Why the HTML is not handed to Tidy, or nothing when it may be.
std::optional<QString> reasonNotToTidy(const Shape& shape, qsizetype bytes)
{
    if (bytes > HtmlTidy::MaxInputBytes)
        return localized("HtmlTidy", "The HTML was not checked: it is too large.");
    if (shape.deepest > HtmlTidy::MaxNesting)
        return localized("HtmlTidy", "The HTML was not checked: its elements are nested too "
                                     "deeply.");
    if (shape.attributes > HtmlTidy::MaxAttributes)
        return localized("HtmlTidy", "The HTML was not checked: a tag in it holds too many "
                                     "attributes.");
    return std::nullopt;
}

HtmlTidy::Validation unchecked(const QString& reason)
{
    HtmlTidy::Validation result;
    result.valid = true;
    result.checked = false;
    result.report = reason;
    return result;
}

// Tidy runs here, not in the shared pool, so slow documents never hold up the
// program's other background work.
QThreadPool& tidyPool()
{
    static QThreadPool* pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(2);
        made->setExpiryTimeout(30000);
        return made;
    }();
    return *pool;
}

// Runs `work` on the Tidy pool and hands its answer, or `late` once the time limit
// has passed, to `done` on the context's thread, exactly once.
template <typename Result>
void runLater(QObject* context, std::function<Result()> work, Result late,
              std::function<void(const Result&)> done, int timeLimitMs)
{
    auto* watcher = new QFutureWatcher<Result>(context);
    auto* timer = new QTimer(watcher);
    timer->setSingleShot(true);
    auto answered = std::make_shared<bool>(false);
    const auto finish = [watcher, answered, done](const Result& result) {
        if (*answered)
            return;
        *answered = true;
        watcher->deleteLater();
        done(result);
    };
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, finish] { finish(watcher->result()); });
    QObject::connect(timer, &QTimer::timeout, watcher,
                     [finish, late = std::move(late)] { finish(late); });
    watcher->setFuture(QtConcurrent::run(&tidyPool(), std::move(work)));
    timer->start(timeLimitMs);
}

// Tidy writes the text of a script or a style sheet inside a CDATA section,
// bare for a script of no type, which a browser then reads as code: embed
// code broke once pretty-printed. That text goes to Tidy as a placeholder
// and comes back as it was.
class RawTexts {
public:
    // `html` with the text of each script and style element as a placeholder.
    QString hide(const QString& html)
    {
        m_mark = QStringLiteral("plumetrawtext");
        while (html.contains(m_mark))
            m_mark += u'x';
        static const QRegularExpression startTag(
            QStringLiteral("<(script|style)(?=[\\s/>])(?:[^>\"']|\"[^\"]*\"|'[^']*')*>"),
            QRegularExpression::CaseInsensitiveOption);
        QString hidden;
        qsizetype copied = 0;
        qsizetype at = 0;
        for (;;) {
            const QRegularExpressionMatch start = startTag.match(html, at);
            if (!start.hasMatch())
                break;
            const qsizetype textStart = start.capturedEnd();
            const qsizetype textEnd = html.indexOf(QStringLiteral("</") + start.captured(1),
                                                   textStart, Qt::CaseInsensitive);
            if (textEnd < 0)
                break;
            at = textEnd;
            if (textEnd == textStart || start.captured().endsWith(QLatin1String("/>")))
                continue;
            hidden += QStringView(html).mid(copied, textStart - copied);
            hidden += placeholder(m_texts.size());
            m_texts.append(html.mid(textStart, textEnd - textStart));
            copied = textEnd;
        }
        hidden += QStringView(html).mid(copied);
        return hidden;
    }

    // Tidy's output with each placeholder, and what Tidy wrapped round it,
    // back to the text; nothing when one went missing.
    std::optional<QString> restore(const QString& pretty) const
    {
        QString restored;
        qsizetype copied = 0;
        for (qsizetype i = 0; i < m_texts.size(); ++i) {
            const qsizetype at = pretty.indexOf(placeholder(i), copied);
            if (at < 0)
                return std::nullopt;
            // Between the start tag's end and the end tag: Tidy's wrapping
            // holds neither ">" before the text nor "<" after it.
            const qsizetype start = pretty.lastIndexOf(u'>', at);
            const qsizetype end = pretty.indexOf(u'<', at);
            if (start < copied || end < 0)
                return std::nullopt;
            restored += QStringView(pretty).mid(copied, start + 1 - copied);
            restored += m_texts.at(i);
            copied = end;
        }
        restored += QStringView(pretty).mid(copied);
        return restored;
    }

private:
    QString placeholder(qsizetype index) const { return m_mark + QString::number(index) + u'_'; }

    QString m_mark;
    QStringList m_texts;
};

// Where Tidy breaks a line after white space of the text, it keeps that
// white space as a blank at the end of the line, and the next pass reads the
// line end as white space once more: the output would grow a blank each time
// it is pretty-printed again. Those blanks go; what pre and textarea
// elements and comments hold stays as it is.
QString withoutTrailingBlanks(const QString& pretty)
{
    QString out;
    out.reserve(pretty.size());
    QLatin1StringView keepUntil;
    for (qsizetype i = 0; i < pretty.size(); ++i) {
        const QChar c = pretty.at(i);
        if (!keepUntil.isEmpty()) {
            out += c;
            if (c == keepUntil.back() && QStringView(out).endsWith(keepUntil))
                keepUntil = {};
            continue;
        }
        if (c == u'<') {
            const QStringView rest = QStringView(pretty).mid(i);
            if (rest.startsWith(u"<!--"))
                keepUntil = QLatin1StringView("-->");
            else if (rest.startsWith(u"<pre", Qt::CaseInsensitive))
                keepUntil = QLatin1StringView("</pre>");
            else if (rest.startsWith(u"<textarea", Qt::CaseInsensitive))
                keepUntil = QLatin1StringView("</textarea>");
        } else if (c == u'\n') {
            while (out.endsWith(u' '))
                out.chop(1);
        }
        out += c;
    }
    return out;
}

} // namespace

HtmlTidy::Validation HtmlTidy::validate(const QString& html)
{
    // UTF-8 takes at least a byte per UTF-16 unit: text past the bound in units is
    // past it in bytes, and is turned away before any walk through it.
    if (const auto reason = reasonNotToTidy(Shape(), html.size()))
        return unchecked(*reason);
    QByteArray document = QByteArray(documentStart) + '\n' + html.toUtf8() + "</body></html>";
    if (const auto reason = reasonNotToTidy(shapeOf(html), document.size()))
        return unchecked(*reason);
    Validation result;
    TidyRun tidy;
    if (!tidy.set("char-encoding", "utf8") || !tidy.set("show-warnings", "yes") ||
        !tidy.set("show-info", "no") || !tidy.set("output-xhtml", "yes") ||
        !tidy.set("show-body-only", "yes") || tidySetErrorBuffer(tidy.doc(), tidy.errors()) != 0)
        return result;
    tidy.parse(document);
    if (tidyErrorCount(tidy.doc()) + tidyWarningCount(tidy.doc()) == 0) {
        result.valid = true;
        return result;
    }
    QStringList lines;
    for (const QString& line : TidyRun::text(*tidy.errors()).split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.contains(QLatin1String("\"alt\"")) ||
            line.contains(QLatin1String("\"summary\"")) || line.contains(QLatin1String("<embed>")))
            continue;
        lines.append(line);
    }
    if (lines.isEmpty()) {
        result.valid = true;
        return result;
    }
    result.report = shiftLineNumbers(lines.join(QLatin1Char('\n')));

    int status = tidyCleanAndRepair(tidy.doc());
    if (status >= 0)
        status = tidyRunDiagnostics(tidy.doc());
    if (status > 1 && !tidy.set("force-output", "yes"))
        status = -1;
    if (status >= 0 && tidySaveBuffer(tidy.doc(), tidy.output()) >= 0) {
        QString fixed = TidyRun::text(*tidy.output());
        fixed.remove(QLatin1String("</body>"));
        fixed.remove(QLatin1String("</html>"));
        result.fixedHTML = fixed;
    }
    return result;
}

QString HtmlTidy::prettyPrint(const QString& html)
{
    if (reasonNotToTidy(Shape(), html.size()))
        return html;
    const Shape shape = shapeOf(html);
    // Indenting multiplies deep, long documents; past a few times the input the
    // re-indented text is no help to anyone reading it.
    const qint64 sizeCap = 4 * qint64(html.size()) + 64 * 1024;
    if (shape.indentedSize > sizeCap)
        return html;
    RawTexts rawTexts;
    QByteArray document =
        QByteArray(documentStart) + '\n' + rawTexts.hide(html).toUtf8() + "\n</body></html>";
    if (reasonNotToTidy(shape, document.size()))
        return html;
    TidyRun tidy;
    const bool configured =
        tidy.set("input-encoding", "utf8") && tidy.set("output-encoding", "utf8") &&
        tidy.set("show-warnings", "no") && tidy.set("show-info", "no") &&
        tidy.set("quiet", "yes") && tidy.set("output-xhtml", "yes") &&
        tidy.set("show-body-only", "yes") && tidy.set("break-before-br", "no") &&
        tidy.set("drop-empty-paras", "yes") && tidy.set("drop-proprietary-attributes", "yes") &&
        tidy.set("wrap-attributes", "no") && tidy.set("indent-attributes", "no") &&
        tidy.set("wrap", "0") && tidy.set("indent-spaces", "2") && tidy.set("indent", "auto");
    if (!configured || tidySetErrorBuffer(tidy.doc(), tidy.errors()) != 0)
        return html;
    int status = tidy.parse(document);
    if (status < 0)
        return html;
    if (status > 0) {
        status = tidyCleanAndRepair(tidy.doc());
        if (status >= 0)
            status = tidyRunDiagnostics(tidy.doc());
        if (status > 1 && !tidy.set("force-output", "yes"))
            return html;
    }
    if (status < 0 || tidySaveBuffer(tidy.doc(), tidy.output()) < 0 ||
        qint64(tidy.output()->size) > 3 * sizeCap) // UTF-8 bytes, not characters
        return html;
    QString pretty = TidyRun::text(*tidy.output());
    if (pretty.size() > sizeCap)
        return html;
    pretty.remove(QLatin1String("</body>"));
    pretty.remove(QLatin1String("</html>"));
    pretty.replace(QLatin1String(">\n\n<"), QLatin1String(">\n<"));
    pretty.replace(QLatin1String("=\n\""), QLatin1String("=\""));
    const std::optional<QString> restored = rawTexts.restore(withoutTrailingBlanks(pretty));
    return restored && restored->size() <= sizeCap ? *restored : html;
}

void HtmlTidy::validateLater(const QString& html, QObject* context,
                             std::function<void(const Validation&)> done, int timeLimitMs)
{
    runLater<Validation>(
        context, [html] { return validate(html); },
        unchecked(localized("HtmlTidy", "The HTML was not checked: checking took too long.")),
        std::move(done), timeLimitMs);
}

void HtmlTidy::prettyPrintLater(const QString& html, QObject* context,
                                std::function<void(const QString&)> done, int timeLimitMs)
{
    runLater<QString>(
        context, [html] { return prettyPrint(html); }, html, std::move(done), timeLimitMs);
}
