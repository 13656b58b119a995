#pragma once

#include "AccountCallJob.h"
#include "Attachment.h"
#include "ModelTypes.h"

#include <QPointer>
#include <QVariantMap>

class Account;
class Blog;
class PLUMETPluginProtocol;
class PLUMETUploaderProtocol;
class RESTCall;

// Uploading one attachment, to one of three destinations: a blog, through its
// blog system's media call (XML-RPC) or an Atom post (the driver's media entry
// when it writes one, else the file itself), or an uploader plug-in. The
// attachment says which of its files go up, under which names and types, and
// takes the addresses of the answer. On a blog a media attachment goes up in
// passes, one request each: the main file, then its companion (thumbnail or
// poster movie) within the same job; one whose main file is on the server
// already sends only the companion, and one with nothing left to send ends
// well at once, sending nothing. An uploader takes both files in one request.
// The event add-ons hear of each upload that ended well (event 4, the file
// name).
//
// The file is never held twice: the request is written around a stand-in for
// the file's bytes, and the file's Base64 then takes the stand-in's place,
// read piece by piece; the network console shows the request without it.
// A refusal says what the server's status means (only a refused type names
// the type), followed by what the server's page says.
// The uploader's callbacks may come from any thread: they are handled on the
// main thread, and only while the job runs.
class UploadJob : public AccountCallJob {
    Q_OBJECT
public:
    // Where the attachment goes: a blog, or an uploader plug-in; neither
    // makes the job fail with "There is no server to upload the attachment to."
    struct Destination {
        Blog* blog = nullptr;
        PLUMETUploaderProtocol* uploader = nullptr;
    };

    UploadJob(AttachmentPtr attachment, const Destination& destination, QObject* parent = nullptr);

    const AttachmentPtr& attachment() const { return m_attachment; }
    // How many requests went to a server (or uploads to the uploader).
    int passes() const { return m_passes; }

    // "Uploading file "name"..."; for a media attachment "Uploading media
    // "name"..." or, once its main file is up, "Uploading thumbnail for "name"...".
    static QString uploadingStatus(const Attachment& attachment);
    // The name the file goes up under now: its server name, after the pass's
    // folder when there is one (leading "/" removed, trailing "/" added) and
    // `withFolder` is true.
    static QString uploadName(const Attachment& attachment, bool withFolder,
                              Attachment::UploadVia via = Attachment::UploadVia::Blog);

protected:
    void doStart() override;
    void doCancel() override;
    void callFinished(RESTCall* call) override;
    void callFailed(const RestError& error) override;

private:
    void sendPass();
    void callUploader();
    void sendXmlRpc();
    void sendAtom();
    void sendAtomMedia(const QUrl& address, const QString& path);
    // The server's refusal of the upload in words: what its status means, and
    // what its page says.
    QString refusal(int status, const QByteArray& page) const;
    void uploaded();
    void failWith(const QString& message);

    AttachmentPtr m_attachment;
    QPointer<Blog> m_blog;
    QPointer<Account> m_account;
    PLUMETUploaderProtocol* m_uploader = nullptr;
    PLUMETPluginProtocol* m_plugin = nullptr;
    bool m_atom = false;
    bool m_uploaderRunning = false;
    int m_passes = 0;
    // Whether the pass in flight sends the main file (else the companion).
    bool m_sendingMain = false;
    // The type of the file the pass in flight sends.
    QString m_sentType;
};
