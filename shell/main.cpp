#include "AddonManager.h"
#include "AuthPrompter.h"
#include "AuthRequestPrompter.h"
#include "ConsoleObject.h"
#include "FactoryDefaults.h"
#include "FormatterManager.h"
#include "PluginManager.h"
#include "SecurityPrompter.h"
#include "SecurityQuestionPrompter.h"
#include "SupportFolder.h"
#include "SupportFolderAlert.h"
#include "UploaderManager.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>

namespace {

// Blog systems first, then add-ons, uploaders and formatters: later kinds may
// ask for the blog systems. A bundle that cannot load is refused with a sentence.
QStringList loadPlugins()
{
    QStringList problems;
    PluginManager::sharedInstance().loadPlugins();
    problems += PluginManager::sharedInstance().loadErrors();
    AddonManager::sharedInstance().loadPlugins();
    problems += AddonManager::sharedInstance().loadErrors();
    UploaderManager::sharedInstance().loadPlugins();
    problems += UploaderManager::sharedInstance().loadErrors();
    FormatterManager::sharedInstance().loadFormatters();
    problems += FormatterManager::sharedInstance().loadErrors();
    return problems;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumet"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    QApplication::setApplicationVersion(QStringLiteral(PLUMET_VERSION));

    // Before anything reads a preference.
    FactoryDefaults::registerAll();
    cutils::installSupportFolderAlert();
    cutils::applicationSupportFolder();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("plumet"));
    AuthRequestPrompter prompter(&window);
    AuthPrompter::setShared(&prompter);
    // Untrusted certificates and https-to-http redirects are asked about, never
    // accepted silently.
    SecurityQuestionPrompter security(&window);
    SecurityPrompter::setShared(&security);
    ConsoleObject::sharedInstance();

    const QStringList problems = loadPlugins();

    QMenu* windowMenu = window.menuBar()->addMenu(QObject::tr("&Window"));
    windowMenu->addAction(QObject::tr("Network Console"),
                          [] { ConsoleObject::sharedInstance()->showWindow(); });

    const QStringList blogSystems = PluginManager::sharedInstance().pluginKeys();
    auto* label =
        new QLabel(QObject::tr("plumet %1 — a desktop weblog client.\n\n"
                               "Blog systems: %2\n\n"
                               "The accounts and drafts windows arrive in coming versions.")
                       .arg(QApplication::applicationVersion(),
                            blogSystems.isEmpty() ? QObject::tr("none found")
                                                  : blogSystems.join(QStringLiteral(", "))),
                   &window);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(24);
    label->setWordWrap(true);
    window.setCentralWidget(label);
    window.resize(520, 240);
    window.show();

    if (!problems.isEmpty())
        QMessageBox::warning(&window, QObject::tr("Plug-ins"),
                             QObject::tr("Some plug-ins could not be loaded:\n\n%1")
                                 .arg(problems.join(QLatin1Char('\n'))));

    const int status = app.exec();
    SecurityPrompter::setShared(nullptr);
    AuthPrompter::setShared(nullptr);
    return status;
}
