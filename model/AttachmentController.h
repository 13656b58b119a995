#pragma once

#include "AttachmentLibrary.h"
#include "AttachmentLibraryReader.h"
#include "Clock.h"
#include "ModelTypes.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

class ImageAttachment;
class MovieAttachment;

// The library of every attachment the user has added, whichever draft it went
// to, kept in "attachments.plist" in insertion order and found by key. The file
// is read and filtered off the main thread; the records are built on the main
// thread a few milliseconds at a time. Each change is saved a second later.
class AttachmentController : public QObject, public AttachmentLibrary {
    Q_OBJECT
public:
    // The library file; empty when the support folder cannot be had.
    static QString defaultPath();

    explicit AttachmentController(const QString& path, Clock& clock = Clock::system(),
                                  QObject* parent = nullptr);
    ~AttachmentController() override;

    QString path() const { return m_path; }

    // The keys stored entries list, asked as the load starts: their
    // attachments never expire, however old.
    void setKeysInUse(std::function<QSet<QString>()> keys) { m_keysInUse = std::move(keys); }
    // Seconds since 1970 for the expiry; the system's time unless set.
    void setCurrentTime(std::function<double()> now) { m_now = std::move(now); }

    // Starts reading the file, once.
    void loadAttachments();
    // Ends a load now: waits for the reading (started when it was not) and
    // builds the rest of the records at once.
    void finishLoading();
    bool isLoading() const { return m_state == State::Loading; }
    // Read in full (or no file yet). False before, during, and when the file
    // could not be read: then it was moved aside and loadReport() says so.
    bool isLoaded() const override { return m_state == State::Loaded; }
    QString loadReport() const { return m_loadReport; }
    // The longest time a batch of the load held the main thread.
    qint64 longestBatchNsecs() const { return m_longestBatch; }

    // The first attachment of that key, or null; during a load it ends the
    // load first.
    AttachmentPtr attachmentForKey(const QString& key) override;

    const QList<AttachmentPtr>& attachments() const { return m_attachments; }
    QList<std::shared_ptr<ImageAttachment>> images() const;
    QList<std::shared_ptr<MovieAttachment>> movies() const;

    // Each ends a running load first, so the file's attachments come first.
    void addAttachment(const AttachmentPtr& attachment);
    void addAttachments(const QList<AttachmentPtr>& attachments);
    // Inserts at `row` (appends when it is negative or past the end).
    void insertAttachment(int row, const AttachmentPtr& attachment);
    bool removeAttachment(const AttachmentPtr& attachment);

    // Writes the file now, atomically. During a load it is put off until the
    // load has ended; false with *error when the write failed.
    bool saveAttachments(QString* error = nullptr);
    // Whether a change waits to be saved.
    bool hasUnsavedChanges() const { return m_dirty; }

    // At quit: ends the load, saves, then deletes every converted copy and
    // thumbnail file (the cached source copies stay). The library is empty
    // afterwards.
    void cleanUp();

signals:
    void attachmentsInserted(int first, int last);
    void attachmentsRemoved(int first, int last);
    // The load has ended; isLoaded() tells whether the file was read in full.
    void loadFinished();
    // The file could not be read and was moved aside: the sentence for the user.
    void loadFailed(const QString& report);
    void saveFailed(const QString& error);

private:
    enum class State { NotLoaded, Loading, Loaded, Unreadable, CleanedUp };

    void takeResult(AttachmentLibraryReader::Result result);
    void buildBatch(qint64 budgetNsecs);
    void finishLoad();
    void adopt(const AttachmentPtr& attachment);
    void noteChange();
    void saveSoon();

    QString m_path;
    Clock& m_clock;
    std::function<QSet<QString>()> m_keysInUse;
    std::function<double()> m_now;
    State m_state = State::NotLoaded;
    QFuture<AttachmentLibraryReader::Result> m_future;
    QFutureWatcher<AttachmentLibraryReader::Result> m_watcher;
    bool m_resultTaken = false;
    bool m_readable = true;
    int m_unbuilt = 0;
    QList<KeyedUnarchiver::PlainRecordRef> m_pending;
    qsizetype m_next = 0;
    QList<AttachmentPtr> m_attachments;
    QString m_loadReport;
    qint64 m_longestBatch = 0;
    bool m_dirty = false;
    bool m_saveAfterLoad = false;
    std::unique_ptr<Clock::Timer> m_saveTimer;
};
