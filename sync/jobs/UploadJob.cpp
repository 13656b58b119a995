#include "UploadJob.h"

#include "Account.h"
#include "AddonManager.h"
#include "Attachment.h"
#include "Blog.h"
#include "ConsoleMasking.h"
#include "HttpErrors.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "PLUMETUploaderProtocol.h"
#include "RESTCall.h"
#include "RoadRequests.h"
#include "StringExtensions.h"
#include "UploadBody.h"
#include "XMLRPCEncoder.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString attachmentText(const char* text)
{
    return localized("Attachment", text);
}

QString notPrepared()
{
    return attachmentText("The data for uploading could not be prepared for some obscure reason.");
}

QString atomRequestFailed()
{
    return localized("Account", "For some obscure reason the request could not be made.");
}

// `name` after `folder` when there is one: leading "/" removed, trailing "/" added.
QString inFolder(QString folder, const QString& name)
{
    if (folder.isEmpty() || folder == QLatin1String("/"))
        return name;
    if (folder.startsWith(QLatin1Char('/')))
        folder.remove(0, 1);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + name;
}

// A file to send: there, readable and not empty.
bool sendable(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isReadable() && info.size() > 0;
}

} // namespace

UploadJob::UploadJob(AttachmentPtr attachment, const Destination& destination, QObject* parent)
    : AccountCallJob(destination.blog ? destination.blog->account() : nullptr, parent),
      m_attachment(std::move(attachment)), m_blog(destination.blog),
      m_uploader(destination.blog ? nullptr : destination.uploader)
{
    setReadsAnswersAsTheyArrive(true);
    if (m_attachment) {
        m_attachment->noteUploadStart();
        setStatus(uploadingStatus(*m_attachment));
        // Uploading from the request on, whether the row waits or not.
        m_attachment->setUploadCaller(this);
    }
    // However it ends, the attachment is no longer being uploaded.
    connect(this, &Job::finished, this, [this] {
        if (m_attachment && m_attachment->isUploading())
            m_attachment->setUploadCaller(nullptr);
    });
}

QString UploadJob::uploadingStatus(const Attachment& attachment)
{
    if (!attachment.isMediaAttachment())
        return attachmentText("Uploading file \"%1\"...").arg(attachment.fileName());
    return (attachment.hasMain() ? attachmentText("Uploading thumbnail for \"%1\"...")
                                 : attachmentText("Uploading media \"%1\"..."))
        .arg(attachment.fileName());
}

QString UploadJob::uploadName(const Attachment& attachment, bool withFolder,
                              Attachment::UploadVia via)
{
    const QString name = attachment.uploadFileName(via);
    if (!withFolder)
        return name;
    // An uploader takes both files at once, under the attachment's destination.
    return inFolder(via == Attachment::UploadVia::Uploader ? attachment.destination()
                                                           : attachment.uploadFolder(),
                    name);
}

void UploadJob::doStart()
{
    if (m_attachment) {
        m_attachment->noteUploadStart();
        // Everything is on the server already: nothing is sent.
        if (m_attachment->uploadComplete()) {
            m_attachment->setUploadCaller(nullptr);
            succeed();
            return;
        }
        setStatus(uploadingStatus(*m_attachment));
    }
    if (!m_attachment || (!m_blog && !m_uploader)) {
        failWith(attachmentText("There is no server to upload the attachment to."));
        return;
    }
    if (m_blog) {
        m_account = m_blog->account();
        m_plugin = m_account ? m_account->plugin() : nullptr;
        if (!m_plugin) {
            failWith(attachmentText("There is no server to upload the attachment to."));
            return;
        }
        m_atom = m_plugin->supportedProtocol() != PLUMETPluginProtocol::XmlRpc;
        connect(m_blog, &QObject::destroyed, this, &Job::cancel);
    }
    sendPass();
}

void UploadJob::sendPass()
{
    ++m_passes;
    m_sendingMain = !m_attachment->hasMain();
    if (m_uploader)
        callUploader();
    else if (m_atom)
        sendAtom();
    else
        sendXmlRpc();
}

// --- the uploader plug-in ------------------------------------------------------------------------

void UploadJob::callUploader()
{
    using Via = Attachment::UploadVia;
    const QString path = m_attachment->uploadFilePath(Via::Uploader);
    QFile file(path);
    // The uploader takes the bytes themselves: one copy, handed over.
    const QByteArray bits = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    m_sentType = m_attachment->uploadInternetType(Via::Uploader);
    if (bits.isEmpty() || m_sentType.isEmpty()) {
        failWith(notPrepared());
        return;
    }
    const bool folders = m_uploader->canSpecifyDestinationPath();
    QVariantMap request{
        {QStringLiteral("name"), uploadName(*m_attachment, folders, Via::Uploader)},
        {QStringLiteral("type"), m_sentType},
        {QStringLiteral("bits"), bits},
    };
    const QVariantMap settings = m_attachment->uploaderSettings();
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        request.insert(it.key(), it.value());
    if (!m_attachment->alt().isNull())
        request.insert(QStringLiteral("summary"), m_attachment->alt());
    const QVariantMap fields = m_attachment->uploaderFields();
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        request.insert(it.key(), it.value());
    // The companion goes in the same request; without its bytes nothing goes.
    if (const auto companion = m_attachment->uploaderCompanion()) {
        QFile companionFile(companion->path);
        const QByteArray companionBits =
            sendable(companion->path) && companionFile.open(QIODevice::ReadOnly)
                ? companionFile.readAll()
                : QByteArray();
        if (companionBits.isEmpty()) {
            failWith(notPrepared());
            return;
        }
        request.insert(companion->bitsKey, companionBits);
        request.insert(companion->nameKey,
                       folders ? inFolder(m_attachment->destination(), companion->name)
                               : companion->name);
    }

    // Whatever thread the uploader answers on, the job hears it here, once,
    // and only while it runs.
    const QPointer<UploadJob> self(this);
    auto onMain = [self](std::function<void(UploadJob&)> handle) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, handle] {
                if (self && self->state() == State::Running && self->m_uploaderRunning)
                    handle(*self);
            },
            Qt::QueuedConnection);
    };
    PLUMETUploaderProtocol::Callbacks callbacks;
    callbacks.error = [onMain](const QString& message) {
        onMain([message](UploadJob& job) {
            job.m_uploaderRunning = false;
            job.failWith(message.isEmpty()
                             ? attachmentText("The selected uploader returned an error but did "
                                              "not specify what went wrong.")
                             : message);
        });
    };
    callbacks.success = [onMain](const QVariantMap& answer) {
        onMain([answer](UploadJob& job) {
            job.m_uploaderRunning = false;
            if (job.m_attachment->processUpload(answer))
                job.uploaded();
            else
                job.failWith(localized("Account",
                                       "The uploader did not return a path to the uploaded file!"));
        });
    };
    callbacks.status = [onMain](const QString& text) {
        onMain([text](UploadJob& job) { job.Job::setSubStatus(text); });
    };
    m_uploaderRunning = true;
    m_uploader->uploadData(request, std::move(callbacks));
}

// --- a blog's XML-RPC media call -----------------------------------------------------------------

void UploadJob::sendXmlRpc()
{
    const QString path = m_attachment->uploadFilePath();
    m_sentType = m_attachment->uploadInternetType();
    if (!sendable(path) || m_sentType.isEmpty()) {
        failWith(notPrepared());
        return;
    }
    // The request is written around a stand-in for the file's bytes.
    const QByteArray standIn = UploadBody::standIn();
    XMLRPCEncoder encoder;
    QVariantMap objects = RoadRequests::login(*m_account);
    objects.insert(QStringLiteral("blogid"), m_blog->uniqueID());
    objects.insert(QStringLiteral("file"),
                   QVariantMap{{QStringLiteral("name"), uploadName(*m_attachment, true)},
                               {QStringLiteral("type"), m_sentType},
                               {QStringLiteral("bits"), standIn}});
    QStringList keys;
    QString method;
    m_plugin->xmlrpcUploadRequest(objects, keys, method);
    encoder.setMethod(method);
    encoder.setObjects(objects);
    encoder.setKeys(keys);
    QString refusal;
    const QByteArray document = encoder.document(&refusal);
    const QUrl endpoint = m_account->escapedURL();
    if (document.isEmpty() || !endpoint.isValid() || endpoint.isEmpty()) {
        failWith(refusal.isEmpty() ? RoadRequests::xmlrpcRequestFailed() : refusal);
        return;
    }
    const QByteArray body = UploadBody::spliced(document, standIn.toBase64(), path);
    if (body.isEmpty()) {
        failWith(notPrepared());
        return;
    }
    auto* call = new RESTCall(endpoint, this, this);
    call->setTimeOut(timeOut());
    call->setMethod("POST");
    call->setData(body, "text/xml");
    call->setConsoleCopy(encoder.consoleCopy(endpoint, document));
    if (!startCall(call))
        failWith(RoadRequests::xmlrpcRequestFailed());
}

// --- an Atom media post --------------------------------------------------------------------------

void UploadJob::sendAtom()
{
    const QVariantMap services = m_blog->services();
    if (services.isEmpty()) {
        failWith(atomRequestFailed());
        return;
    }
    QString target = services.value(QStringLiteral("service.upload")).toString();
    if (target.isEmpty())
        target = services.value(QStringLiteral("service.post")).toString();
    if (target.isEmpty()) {
        failWith(attachmentText("The Atom upload URI for the selected blog system is unknown!"));
        return;
    }
    const QUrl address = rv::escapedURL(target, QStringLiteral("#%"));
    if (!address.isValid() || address.isEmpty()) {
        failWith(atomRequestFailed());
        return;
    }
    const QString path = m_attachment->uploadFilePath();
    m_sentType = m_attachment->uploadInternetType();
    if (!sendable(path) || m_sentType.isEmpty()) {
        failWith(notPrepared());
        return;
    }
    const QString marker = QString::fromLatin1(UploadBody::standIn().toBase64());
    const QString alt = m_attachment->alt();
    const QVariantMap data{
        {QStringLiteral("title"), m_attachment->uploadFileName()},
        {QStringLiteral("summary"), alt.isEmpty() ? m_attachment->uploadFileName() : alt},
        {QStringLiteral("type"), m_sentType},
        {QStringLiteral("base64"), marker},
    };
    const QString document = m_plugin->atomUploadRequest(address, data, &rv::encodeXML);
    if (document.isNull()) {
        sendAtomMedia(address, path);
        return;
    }
    const QByteArray body = UploadBody::spliced(document.toUtf8(), marker.toLatin1(), path);
    if (body.isEmpty()) {
        failWith(notPrepared());
        return;
    }
    RESTCall* call = RoadRequests::atomCall(*m_account, *m_plugin, address, "POST", this, this,
                                            timeOut(), body, "application/atom+xml");
    if (call) {
        QString shown = document;
        shown.replace(marker, QStringLiteral("REMOVED"));
        call->setConsoleCopy(QStringLiteral("Request with URL:\n") + maskedAddress(address) +
                             QStringLiteral("\nand data:\n") + shown + QStringLiteral("\n\n"));
    }
    if (!startCall(call))
        failWith(atomRequestFailed());
}

// A driver without a media entry of its own has the file posted as it is, the
// way the publishing protocol adds media: the bytes as the body, their type as
// the Content-Type, the file's name as the Slug. The server answers with the
// media link entry, which names the file's address.
void UploadJob::sendAtomMedia(const QUrl& address, const QString& path)
{
    QFile file(path);
    const qint64 size = file.open(QIODevice::ReadOnly) ? file.size() : -1;
    const QByteArray bytes = size > 0 ? file.readAll() : QByteArray();
    if (bytes.isEmpty() || bytes.size() != size) {
        failWith(notPrepared());
        return;
    }
    const QString type = m_sentType;
    RESTCall* call = RoadRequests::atomCall(*m_account, *m_plugin, address, "POST", this, this,
                                            timeOut(), bytes, type.toUtf8());
    if (call) {
        // A Slug is percent-encoded UTF-8.
        call->addHeaders({{"Slug", QUrl::toPercentEncoding(m_attachment->uploadFileName())}});
        call->setConsoleCopy(QStringLiteral("Request with URL:\n") + maskedAddress(address) +
                             QStringLiteral("\nand data:\nREMOVED (%1 bytes of %2)\n\n")
                                 .arg(bytes.size())
                                 .arg(type));
    }
    if (!startCall(call))
        failWith(atomRequestFailed());
}

// --- the answer ----------------------------------------------------------------------------------

void UploadJob::callFailed(const RestError& error)
{
    failWith(error.message);
}

void UploadJob::callFinished(RESTCall* call)
{
    const int status = call->httpStatus();
    const bool stored = status >= 200 && status < 300;
    // An Atom server says with its status whatever its page says.
    if (m_atom && !stored) {
        failWith(refusal(status, call->restData()));
        return;
    }
    if (call->answerSize() == 0) {
        failWith(stored ? RoadRequests::noData() : refusal(status, call->restData()));
        return;
    }
    const DecodeResult answer = RoadRequests::decodeAnswer(*call, m_atom);
    if (answer.isFault()) {
        failWith(answer.faultString());
        return;
    }
    if (!stored) {
        failWith(refusal(status, call->restData()));
        return;
    }
    if (answer.value().typeId() != QMetaType::QVariantMap) {
        failWith(RoadRequests::invalidData());
        return;
    }
    if (!m_attachment->processUpload(answer.value().toMap())) {
        failWith(localized("Account", "The server did not return a path to the uploaded file!"));
        return;
    }
    // A media attachment's companion goes up after its main file, in a pass of its own.
    const bool sentMain = m_sendingMain;
    m_attachment->noteUploadStart();
    if (sentMain && m_attachment->hasMain() && !m_attachment->uploadComplete()) {
        setStatus(uploadingStatus(*m_attachment));
        sendPass();
        return;
    }
    uploaded();
}

QString UploadJob::refusal(int status, const QByteArray& page) const
{
    QString sentence;
    switch (status) {
    case 413:
        sentence = attachmentText("The upload destination refused \"%1\" as too large "
                                  "(HTTP status %2).")
                       .arg(m_attachment->uploadFileName())
                       .arg(status);
        break;
    case 415:
        // Only this refusal is about the file's type.
        sentence =
            attachmentText("The selected upload destination does not allow uploads of type %1.")
                .arg(m_sentType);
        break;
    default:
        sentence = attachmentText("The server refused the upload of \"%1\" (HTTP status %2).")
                       .arg(m_attachment->uploadFileName())
                       .arg(status);
        break;
    }
    return HttpErrors::withServerWords({0, sentence}, page).message;
}

void UploadJob::uploaded()
{
    m_attachment->setUploadCaller(nullptr);
    AddonManager::sharedInstance().processNotification(
        {{QString::number(AddonManager::AttachmentUploaded), m_attachment->fileName()}});
    succeed();
}

void UploadJob::failWith(const QString& message)
{
    // As the caller shows it: trimmed, a sentence, never a lone full stop.
    QString sentence = message.trimmed();
    if (sentence.isEmpty())
        sentence = localized("RVActivityItem", "Unknown error");
    if (!sentence.endsWith(QLatin1Char('.')) && !sentence.endsWith(QLatin1Char('!')))
        sentence += QLatin1Char('.');
    fail({0, sentence});
}

void UploadJob::doCancel()
{
    AccountCallJob::doCancel();
    if (m_uploaderRunning && m_uploader) {
        m_uploaderRunning = false;
        m_uploader->cancel();
    }
}
