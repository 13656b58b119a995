#include "WebPicture.h"

#include "ImageAttachment.h"
#include "MediaDownloads.h"
#include "ModelLog.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>
#include <QTemporaryDir>

namespace WebPicture {

void load(const QUrl& url, QObject* context, ImageAttachment::Loaded done)
{
    MediaDownloads* downloads = MediaDownloads::sharedInstance();
    if (!url.isValid() || url.isEmpty() || !downloads) {
        done(nullptr, url.isValid()
                          ? QStringLiteral("Pictures cannot be fetched from the web here.")
                          : QStringLiteral("No address to fetch a picture from."));
        return;
    }
    QPointer<QObject> guard(context);
    downloads->fetch(url, MediaDownloads::TimeOutSeconds, MediaDownloads::MaxBytes, context,
                     [url, guard, done](const QByteArray& bytes, const QString& error) {
                         if (!guard)
                             return;
                         if (bytes.isEmpty()) {
                             done(nullptr,
                                  error.isEmpty() ? QStringLiteral("Nothing came back.") : error);
                             return;
                         }
                         QString reason;
                         auto image = fromBytes(url, bytes, &reason);
                         done(image, reason);
                     });
}

std::shared_ptr<ImageAttachment> fromBytes(const QUrl& url, const QByteArray& bytes, QString* error)
{
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        qCWarning(lcModel) << "No picture attached from the web:" << reason;
        return std::shared_ptr<ImageAttachment>();
    };
    if (bytes.size() > MediaDownloads::MaxBytes)
        return fail(QStringLiteral("the picture is larger than 50 MB"));
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead())
        return fail(QStringLiteral("%1 is not a picture").arg(url.toDisplayString()));

    // The bytes as received, in a folder only this user can enter, then copied
    // into the cache by setFilePath.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/plumet-download-XXXXXX"));
    if (!folder.isValid())
        return fail(folder.errorString());
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto image = std::make_shared<ImageAttachment>();
    const QString extension =
        format == "jpeg" ? QStringLiteral("jpg") : QString::fromLatin1(format);
    const QString source = folder.filePath(image->uniqueID() + u'.' + extension);
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return fail(QStringLiteral("%1: %2").arg(source, file.errorString()));
    file.close();

    image->initWithPath(source);
    if (image->filePath() == source)
        folder.setAutoRemove(false); // the cache copy failed: the download is the picture
    image->setUploadPath(url.toString(QUrl::FullyEncoded));
    const QString name = QFileInfo(url.path()).fileName();
    image->setFileName(name.isEmpty() ? url.toString(QUrl::FullyEncoded) : name);
    return image;
}

} // namespace WebPicture
