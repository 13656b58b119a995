#include "SupportFolderAlert.h"

#include "CUtilsLog.h"
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
            QMessageBox alert(QMessageBox::Critical, QCoreApplication::translate("cutils", "Alert"),
                              message);
            alert.addButton(QCoreApplication::translate("cutils", "Quit"), QMessageBox::AcceptRole);
            alert.exec();
        } else {
            qCCritical(lcCUtils, "%s", qPrintable(message));
        }
        std::exit(EXIT_FAILURE);
    });
    setMovedAsideHandler([](const QString& message) {
        qCWarning(lcCUtils, "%s", qPrintable(message));
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (!app)
            return;
        // Shown from the event loop, whatever thread made the folder.
        QMetaObject::invokeMethod(
            app,
            [message] {
                auto* notice = new QMessageBox(
                    QMessageBox::Warning, QCoreApplication::translate("cutils", "Alert"), message);
                notice->setAttribute(Qt::WA_DeleteOnClose);
                notice->setModal(false);
                notice->show();
            },
            Qt::QueuedConnection);
    });
}

} // namespace cutils
