#include "ScriptRunner.h"

#include "InterpreterRun.h"
#include "JavaScriptRun.h"
#include "ScriptFolder.h"
#include "ScriptRunnerObject.h"
#include "ScriptRunnerSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("ScriptRunner", text);
}

} // namespace

ScriptRunner::ScriptRunner()
{
    // The instance may outlive the application object; its page must not.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { delete m_settings; });
}

ScriptRunner::~ScriptRunner()
{
    if (QCoreApplication::instance())
        delete m_settings;
}

QString ScriptRunner::addonDescription() const
{
    QString folder = scriptrunner::scriptsFolder();
    const QString home = QDir::homePath();
    if (folder.startsWith(home + QLatin1Char('/')))
        folder = QLatin1Char('~') + folder.mid(home.size());
    return translated("This addon lets you run scripts on selected text. Scripts should be placed "
                      "in %1/ and can be any of .pl, .php, .rb, .py, .js and .sh types. JavaScript "
                      "must have a function called 'main', which takes one argument, the text.")
        .arg(folder);
}

QWidget* ScriptRunner::preferencesView()
{
    if (!m_settings)
        m_settings = new ScriptRunnerSettings(m_preferences);
    return m_settings;
}

QStringList ScriptRunner::subActions() const
{
    m_scripts = scriptrunner::listScripts(scriptrunner::scriptsFolder());
    QStringList names = m_scripts.keys();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

std::unique_ptr<PLUMETAddonObject> ScriptRunner::addonRequested(PLUMETAddonHost* draft,
                                                                const QString& selection,
                                                                const QString& subaction)
{
    auto object = std::make_unique<ScriptRunnerObject>(*this);
    object->addonRequested(draft, selection, subaction);
    return object;
}

ScriptRun* ScriptRunner::makeRun(const QString& name, const QString& text, QString* failure)
{
    const QString folder = scriptrunner::scriptsFolder();
    if (name.isNull()) {
        *failure = translated("There are no scripts yet. Scripts placed in %1 show in the Scripts "
                              "menu.")
                       .arg(folder);
        return nullptr;
    }
    if (!m_scripts.contains(name))
        m_scripts = scriptrunner::listScripts(folder);
    const QString extension = m_scripts.value(name);
    const QString path = QStringLiteral("%1/%2.%3").arg(folder, name, extension);
    if (extension.isEmpty() || !QFileInfo::exists(path)) {
        *failure =
            translated("The script “%1” is no longer in the scripts folder %2.").arg(name, folder);
        return nullptr;
    }
    failure->clear();
    if (extension == QLatin1String("txt"))
        return nullptr;
    if (extension == QLatin1String("js"))
        return new JavaScriptRun(path, text);
    return new InterpreterRun(scriptrunner::interpreterFor(extension, m_preferences), path, text);
}
