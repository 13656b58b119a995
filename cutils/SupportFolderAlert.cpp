#include "SupportFolderAlert.h"

#include "SupportFolder.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <cstdlib>

namespace cutils {

void installSupportFolderAlert()
{
    setSupportFolderFailureHandler([](const QString& message) {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (app && QThread::currentThread() == app->thread()) {
            QMessageBox alert(QMessageBox::Critical,
                              QCoreApplication::translate("cutils", "Alert"), message);
            alert.addButton(QCoreApplication::translate("cutils", "Quit"),
                            QMessageBox::AcceptRole);
            alert.exec();
        } else {
            qCritical("%s", qPrintable(message));
        }
        std::exit(EXIT_FAILURE);
    });
}

} // namespace cutils
