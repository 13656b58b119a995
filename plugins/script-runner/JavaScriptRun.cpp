#include "JavaScriptRun.h"

#include "ScriptFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("ScriptRunner", text);
}

// Keeps what the page reports as errors, to explain a failure.
class ScriptPage : public QWebEnginePage {
public:
    ScriptPage(QWebEngineProfile* profile, QStringList& errors)
        : QWebEnginePage(profile), m_errors(errors)
    {
    }

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override
    {
        if (level != ErrorMessageLevel)
            return;
        const QString where = QUrl(source).fileName();
        m_errors << (where.isEmpty()
                         ? message
                         : QStringLiteral("%1:%2: %3").arg(where).arg(line).arg(message));
    }

private:
    QStringList& m_errors;
};

QString pageHtml(const QUrl& script)
{
    return QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
                          "\"http://www.w3.org/TR/html4/loose.dtd\">\n"
                          "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                          "charset=UTF-8\"><title>Untitled</title>"
                          "<script type=\"text/javascript\" src=\"%1\"></script></head>"
                          "<body><p></p></body></html>")
        .arg(script.toString(QUrl::FullyEncoded).toHtmlEscaped());
}

// Calls main with the text, given as JSON so that no character of it can end
// the call, and answers {result} or {error}.
QString mainCall(const QString& text)
{
    const QString argument =
        QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return QStringLiteral("(function (text) {"
                          "  if (typeof main !== 'function')"
                          "    return { missing: true };"
                          "  try {"
                          "    var answer = main(text);"
                          "    return { result: answer === undefined || answer === null"
                          "                      ? null : String(answer) };"
                          "  } catch (e) {"
                          "    return { error: String(e) };"
                          "  }"
                          "})(%1[0])")
        .arg(argument);
}

} // namespace

JavaScriptRun::JavaScriptRun(const QString& scriptPath, const QString& text, QObject* parent)
    : ScriptRun(parent), m_scriptPath(scriptPath), m_scriptName(QFileInfo(scriptPath).fileName()),
      m_text(text)
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        finish({{},
                translated("The script “%1” took longer than %2 seconds and was stopped.")
                    .arg(m_scriptName)
                    .arg(scriptrunner::timeLimitMs / 1000)});
    });
}

JavaScriptRun::~JavaScriptRun()
{
    closePage();
}

void JavaScriptRun::start()
{
    // No storage name: off the record, nothing written to disk.
    m_profile = new QWebEngineProfile(this);
    m_page = new ScriptPage(m_profile, m_consoleErrors);
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    connect(m_page, &QWebEnginePage::loadFinished, this, &JavaScriptRun::pageLoaded);
    const QFileInfo script(m_scriptPath);
    m_page->setHtml(pageHtml(QUrl::fromLocalFile(script.absoluteFilePath())),
                    QUrl::fromLocalFile(script.absolutePath() + QLatin1Char('/')));
    m_limit.start(scriptrunner::timeLimitMs);
}

void JavaScriptRun::cancel()
{
    m_ended = true;
    m_limit.stop();
    closePage();
}

void JavaScriptRun::pageLoaded(bool ok)
{
    if (m_ended || m_called)
        return;
    if (!ok) {
        finish({{},
                withConsoleErrors(translated("The page for the script “%1” could not be loaded.")
                                      .arg(m_scriptName))});
        return;
    }
    m_called = true;
    QPointer<JavaScriptRun> self(this);
    m_page->runJavaScript(mainCall(m_text), [self](const QVariant& answer) {
        if (self)
            self->mainAnswered(answer);
    });
}

void JavaScriptRun::mainAnswered(const QVariant& answer)
{
    if (m_ended)
        return;
    const QVariantMap reply = answer.toMap();
    if (reply.value(QStringLiteral("missing")).toBool()) {
        finish({{},
                withConsoleErrors(
                    translated("The script “%1” has no function called main.").arg(m_scriptName))});
    } else if (reply.contains(QStringLiteral("error"))) {
        finish({{},
                translated("The script “%1” failed: %2")
                    .arg(m_scriptName, reply.value(QStringLiteral("error")).toString())});
    } else if (!reply.contains(QStringLiteral("result"))) {
        finish(
            {{},
             withConsoleErrors(translated("The script “%1” gave no answer.").arg(m_scriptName))});
    } else {
        // null or "" leaves the text as it is.
        const QString result = reply.value(QStringLiteral("result")).toString();
        finish({result.isEmpty() ? QString() : result, {}});
    }
}

void JavaScriptRun::finish(const ScriptOutcome& outcome)
{
    if (m_ended)
        return;
    m_ended = true;
    m_limit.stop();
    emit finished(outcome);
}

void JavaScriptRun::closePage()
{
    // A page must go before its profile.
    delete m_page;
    delete m_profile;
}

QString JavaScriptRun::withConsoleErrors(const QString& sentence) const
{
    return m_consoleErrors.isEmpty()
               ? sentence
               : sentence + QStringLiteral("\n\n") + m_consoleErrors.join(QLatin1Char('\n'));
}
