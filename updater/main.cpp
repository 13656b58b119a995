#include "AlertBox.h"
#include "PUController.h"
#include "PUWindow.h"
#include "UpdateHandOver.h"
#include "UpdaterLog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The application starts the updater from a private copy; that folder goes
// when the run ends. Only a folder of ours that nobody else may enter, and
// that holds nothing but the updater, is ever removed.
void removePrivateCopy()
{
    const QString folder = QCoreApplication::applicationDirPath();
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 0077) != 0)
        return;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    if (entries != QStringList{QFileInfo(QCoreApplication::applicationFilePath()).fileName()}) {
        qCWarning(lcUpdater) << "left the updater's folder alone:" << folder;
        return;
    }
    QDir(folder).removeRecursively();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumetUpdater"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    QApplication::setQuitOnLastWindowClosed(false);

    QString error;
    const std::optional<UpdateHandOver> handOver =
        UpdateHandOver::fromArguments(QApplication::arguments(), &error);
    if (!handOver) {
        QMessageBox* box = cutils::makeAlert(
            QMessageBox::Critical, QApplication::translate("PUController", "plumet Updater"),
            QApplication::translate("PUController",
                                    "The updater is started by plumet when you choose "
                                    "\"Download and Install\" in its update window."),
            nullptr);
        box->addButton(QMessageBox::Ok);
        box->setDetailedText(error);
        QObject::connect(box, &QMessageBox::finished, &application, &QApplication::quit);
        box->open();
        QApplication::exec();
        return 2;
    }

    UpdaterSettings settings;
    settings.handOver = *handOver;
    settings.publicKey = QByteArray::fromBase64(QByteArrayLiteral(PLUMET_UPDATE_PUBLIC_KEY));

    PUWindow window;
    PUController controller(settings, &window);
    window.setController(&controller);
    int status = 0;
    QObject::connect(&controller, &PUController::finished, &application,
                     [&](PUController::Outcome outcome) {
                         status = outcome == PUController::Outcome::Installed ? 0 : 1;
                         if (handOver->privateCopy)
                             removePrivateCopy();
                         QApplication::quit();
                     });
    window.show();
    controller.start();
    QApplication::exec();
    return status;
}
