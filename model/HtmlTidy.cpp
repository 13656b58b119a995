#include "HtmlTidy.h"

#include <QRegularExpression>
#include <QStringList>
#include <memory>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

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
    TidyRun() : m_doc(tidyCreate())
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

    static QString text(const TidyBuffer& buffer)
    {
        return buffer.bp ? QString::fromUtf8(reinterpret_cast<const char*>(buffer.bp),
                                             qsizetype(buffer.size))
                         : QString();
    }

private:
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

} // namespace

HtmlTidy::Validation HtmlTidy::validate(const QString& html)
{
    Validation result;
    TidyRun tidy;
    if (!tidy.set("char-encoding", "utf8") || !tidy.set("show-warnings", "yes") ||
        !tidy.set("show-info", "no") || !tidy.set("output-xhtml", "yes") ||
        !tidy.set("show-body-only", "yes") || tidySetErrorBuffer(tidy.doc(), tidy.errors()) != 0)
        return result;
    const QByteArray document = QByteArray(documentStart) + '\n' + html.toUtf8() + "</body></html>";
    tidyParseString(tidy.doc(), document.constData());
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
    const QByteArray document =
        QByteArray(documentStart) + '\n' + html.toUtf8() + "\n</body></html>";
    int status = tidyParseString(tidy.doc(), document.constData());
    if (status < 0)
        return html;
    if (status > 0) {
        status = tidyCleanAndRepair(tidy.doc());
        if (status >= 0)
            status = tidyRunDiagnostics(tidy.doc());
        if (status > 1 && !tidy.set("force-output", "yes"))
            return html;
    }
    if (status < 0 || tidySaveBuffer(tidy.doc(), tidy.output()) < 0)
        return html;
    QString pretty = TidyRun::text(*tidy.output());
    pretty.remove(QLatin1String("</body>"));
    pretty.remove(QLatin1String("</html>"));
    pretty.replace(QLatin1String(">\n\n<"), QLatin1String(">\n<"));
    pretty.replace(QLatin1String("=\n\""), QLatin1String("=\""));
    return pretty;
}
