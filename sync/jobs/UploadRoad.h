#pragma once

#include "AccountList.h"
#include "AttachmentUploads.h"
#include "ModelTypes.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>
#include <optional>

class ActivityList;
class Attachment;
class Blog;
class Job;
class UploadJob;

// The attachment upload road, installed as the publishing road's
// AttachmentUploads and called by the attachment library: it finds the
// attachment's destination (accountID and blogID name a blog of an account;
// accountID alone the key of an uploader plug-in) and runs an UploadJob,
// through a row of the activity list unless the caller shows the upload
// itself. An upload does not hold its account: it runs beside the account's
// other roads.
//
// A request for an attachment already going up joins that upload and hears
// its outcome. The caller hears exactly one of done or failed, later, on the
// main thread; the failure's sentence is the caller's to show, and the
// upload's row goes either way.
class UploadRoad : public QObject, public AttachmentUploads {
    Q_OBJECT
public:
    using Done = std::function<void()>;
    using Failed = std::function<void(const QString& message)>;

    explicit UploadRoad(ActivityList& list, QObject* parent = nullptr);
    UploadRoad();
    ~UploadRoad() override;

    // Where accounts are looked up by identifier; the blog of the entry
    // being published serves when its account is the one named.
    void setAccountList(AccountList* accounts) { m_accounts = accounts; }

    // Uploads the attachment to the destination its record names. Without
    // a row (`manual`) the upload starts at once and shows nowhere but in
    // the caller's callbacks.
    void upload(const AttachmentPtr& attachment, Done done, Failed failed, bool manual = false);
    // The publishing road's upload: what the server has already (a media
    // attachment's main file) is not sent again.
    void upload(const AttachmentPtr& attachment, const EntryPtr& entry, std::function<void()> done,
                std::function<void(const QString&)> failed) override;

    // The running upload of the attachment, or null.
    UploadJob* uploadOf(const Attachment* attachment) const;

    void setTimeOut(double seconds) { m_timeOut = seconds; }
    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }

signals:
    // Each new upload job, before it starts (for tests and benchmarks).
    void jobCreated(Job* job);

private:
    void run(const AttachmentPtr& attachment, Blog* entryBlog, Done done, Failed failed,
             bool manual);

    ActivityList& m_list;
    QPointer<AccountList> m_accounts;
    QHash<const Attachment*, QPointer<UploadJob>> m_running;
    double m_timeOut = 60;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
};
