// A child process for the library's kill test: it loads the attachment library
// at the given path, adds one attachment and then changes its address every few
// milliseconds, printing "saved <n>" once the file holds version n, until it
// is killed.
#include "Attachment.h"
#include "AttachmentController.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    AttachmentController library(args[1]);
    const QString key = args[2];
    int version = 0, savedVersion = 0, changedVersion = 0;
    AttachmentPtr changing;
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, [&] {
        if (!library.isLoaded())
            return;
        if (!changing) {
            changing = library.attachmentForKey(key);
            if (!changing) {
                changing = std::make_shared<Attachment>();
                changing->setUniqueID(key);
                library.addAttachment(changing);
            }
        }
        // What was changed before the last save is on disk now.
        if (!library.hasUnsavedChanges() && changedVersion > savedVersion) {
            savedVersion = changedVersion;
            std::printf("saved %d\n", savedVersion);
            std::fflush(stdout);
        }
        ++version;
        changing->setUploadPath(QStringLiteral("http://example.org/v%1").arg(version));
        changedVersion = version;
    });
    step.start(15);
    library.loadAttachments();
    return app.exec();
}
