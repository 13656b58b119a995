// Starts the main window as the program does, over the store in the caller's
// home, and says "listed <rows>" once the event loop is idle after the show.
#include "AccountList.h"
#include "BlogController.h"
#include "EntryListModel.h"
#include "FactoryDefaults.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumet"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    FactoryDefaults::registerAll();
    AccountList accounts;
    accounts.loadAccounts(AccountList::defaultPath());
    BlogController window(accounts);
    window.start();
    QTimer::singleShot(0, &app, [&] {
        std::printf("listed %d\n", window.entryList()->rowCount());
        std::fflush(stdout);
        QApplication::quit();
    });
    return app.exec();
}
