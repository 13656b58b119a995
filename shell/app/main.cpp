#include "AppControl.h"
#include "BlogController.h"
#include "EntryListModel.h"
#include "QuitSignals.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cstdio>

namespace {

// For the start-up benchmark (PLUMET_STARTUP_REPORT set): once the launch is
// done and the main window lists the selected blog's entries, on the next idle
// turn of the event loop, one line on standard output, "listed <rows> <ms
// since main>". The program runs on; the caller ends it.
void reportStartup(AppControl& control, const QElapsedTimer& sinceMain)
{
    QObject::connect(&control, &AppControl::launchFinished, &control, [&control, sinceMain] {
        BlogController* window = control.blogController();
        QTimer::singleShot(0, window, [window, sinceMain] {
            std::printf("listed %d %lld\n",
                        window->isVisible() ? window->entryList()->rowCount() : -1,
                        sinceMain.elapsed());
            std::fflush(stdout);
        });
    });
}

} // namespace

int main(int argc, char* argv[])
{
    QuitSignals::holdUntilInstalled();
    QElapsedTimer sinceMain;
    sinceMain.start();
    // Qt WebEngine (scripts, and later the editors) wants shared contexts from the start.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumet"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    QApplication::setApplicationVersion(QStringLiteral(PLUMET_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("plumet"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A weblog client."));
    parser.addHelpOption();
    parser.addVersionOption();
    // Started again by a plug-in install: the previous instance is still quitting.
    QCommandLineOption restarted(QStringLiteral("restarted"));
    restarted.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(restarted);
    parser.addPositionalArgument(
        QStringLiteral("documents"),
        QStringLiteral("Addresses (plumet3:, x-blogpost:) and files to open."),
        QStringLiteral("[documents...]"));
    parser.process(app);

    AppControl::initialize();

    const QList<SingleInstance::Document> documents =
        SingleInstance::documentsFromArguments(parser.positionalArguments(), QDir::currentPath());
    SingleInstance instance;
    using namespace std::chrono_literals;
    switch (instance.claim(documents, parser.isSet(restarted) ? 10s : 0s)) {
    case SingleInstance::Claim::Forwarded:
        return 0;
    case SingleInstance::Claim::Refused: {
        QuitSignals::release();
        std::fprintf(stderr, "plumet: %s\n", qPrintable(instance.refusal()));
        QMessageBox refusal(QMessageBox::Critical, QStringLiteral("plumet"), instance.refusal(),
                            QMessageBox::Ok);
        QObject::connect(&refusal, &QMessageBox::finished, &app, [] { QApplication::exit(1); });
        refusal.open();
        app.exec();
        return 1;
    }
    case SingleInstance::Claim::Owner:
        break;
    }

    AppControl control;
    control.setSingleInstance(&instance);
    for (const SingleInstance::Document& document : documents) {
        if (document.isFile)
            control.openFile(document.text);
        else
            control.openUrl(document.text);
    }
    if (qEnvironmentVariableIsSet("PLUMET_STARTUP_REPORT"))
        reportStartup(control, sinceMain);
    control.applicationDidFinishLaunching();
    return app.exec();
}
