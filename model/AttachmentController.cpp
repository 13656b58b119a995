#include "AttachmentController.h"

#include "Attachment.h"
#include "ImageAttachment.h"
#include "KeyedArchiver.h"
#include "MediaCache.h"
#include "ModelLog.h"
#include "MovieAttachment.h"
#include "StoredArchive.h"
#include "SupportFolder.h"
#include "UserDefaults.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// A batch of record building gives the event loop back after this long, well
// inside one frame.
constexpr qint64 BatchBudgetNsecs = 8'000'000;
constexpr qint64 SaveDelayMsecs = 1000;

} // namespace

QString AttachmentController::defaultPath()
{
    const QString folder = cutils::applicationSupportFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/attachments.plist");
}

AttachmentController::AttachmentController(const QString& path, Clock& clock, QObject* parent)
    : QObject(parent), m_path(path), m_clock(clock),
      m_now([] { return QDateTime::currentMSecsSinceEpoch() / 1000.0; })
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] {
        if (m_state != State::Loading || m_resultTaken)
            return;
        takeResult(m_future.result());
        buildBatch(BatchBudgetNsecs);
    });
}

AttachmentController::~AttachmentController()
{
    // A reading still running holds only its own values; let it end.
    if (m_future.isRunning())
        m_future.waitForFinished();
}

// --- loading -------------------------------------------------------------------------------

void AttachmentController::loadAttachments()
{
    if (m_state != State::NotLoaded)
        return;
    m_state = State::Loading;
    UserDefaults& defaults = UserDefaults::sharedInstance();
    AttachmentLibraryReader::Options options;
    options.path = m_path;
    options.expire = defaults.boolean(QStringLiteral("attachment_option"));
    options.days = defaults.integer(QStringLiteral("remove_attachment_days"));
    options.now = m_now();
    if (m_keysInUse)
        options.keysInUse = m_keysInUse();
    if (m_path.isEmpty()) {
        takeResult({});
        finishLoad();
        return;
    }
    m_future = QtConcurrent::run([options] { return AttachmentLibraryReader::read(options); });
    m_watcher.setFuture(m_future);
}

void AttachmentController::finishLoading()
{
    if (m_state == State::NotLoaded)
        loadAttachments();
    if (m_state != State::Loading)
        return;
    if (!m_resultTaken) {
        m_future.waitForFinished();
        takeResult(m_future.result());
    }
    buildBatch(-1);
}

void AttachmentController::takeResult(AttachmentLibraryReader::Result result)
{
    m_resultTaken = true;
    m_readable = result.readable;
    m_loadReport = result.report;
    m_pending = std::move(result.kept);
    m_next = 0;
    // What an expired picture's setFilePath(nil) would have done.
    for (const QString& copy : std::as_const(result.expiredCopies))
        MediaCache::removeOwnedFile(copy);
    if (result.expired || result.orphaned)
        qCInfo(lcModel) << "The attachment library left out" << result.expired << "expired and"
                        << result.orphaned << "missing attachments.";
}

void AttachmentController::buildBatch(qint64 budgetNsecs)
{
    if (m_state != State::Loading || !m_resultTaken)
        return;
    QElapsedTimer timer;
    timer.start();
    const qsizetype first = m_attachments.size();
    while (m_next < m_pending.size()) {
        const KeyedUnarchiver::PlainRecordRef& plain = m_pending[m_next++];
        QString error;
        auto attachment =
            std::dynamic_pointer_cast<Attachment>(KeyedUnarchiver::buildRecord(plain, &error));
        if (attachment) {
            m_attachments.append(attachment);
            adopt(attachment);
        } else {
            ++m_unbuilt;
            qCWarning(lcModel).noquote()
                << "An attachment of the library could not be read:" << error;
        }
        if (budgetNsecs >= 0 && timer.nsecsElapsed() >= budgetNsecs)
            break;
    }
    m_longestBatch = std::max(m_longestBatch, timer.nsecsElapsed());
    if (m_attachments.size() > first)
        emit attachmentsInserted(int(first), int(m_attachments.size() - 1));
    // A lookup from a receiver may have ended the load already.
    if (m_state != State::Loading)
        return;
    if (m_next < m_pending.size()) {
        QTimer::singleShot(0, this, [this] { buildBatch(BatchBudgetNsecs); });
        return;
    }
    finishLoad();
}

void AttachmentController::finishLoad()
{
    // The plain values go on a thread of their own: freeing them costs the
    // main thread about as much as building the records did.
    if (!m_pending.isEmpty())
        QThreadPool::globalInstance()->start(
            [plain = std::exchange(m_pending, {})]() mutable { plain.clear(); });
    m_next = 0;
    if (m_unbuilt > 0 && m_readable) {
        StoredArchive::moveAside(
            m_path, QStringLiteral("some of its attachments could not be read"), &m_loadReport);
        m_readable = false;
    }
    m_state = m_readable ? State::Loaded : State::Unreadable;
    if (!m_readable)
        emit loadFailed(m_loadReport);
    emit loadFinished();
    if (m_saveAfterLoad) {
        m_saveAfterLoad = false;
        saveAttachments();
    }
}

AttachmentPtr AttachmentController::attachmentForKey(const QString& key)
{
    finishLoading();
    for (const AttachmentPtr& attachment : std::as_const(m_attachments)) {
        if (attachment->uniqueID() == key)
            return attachment;
    }
    return nullptr;
}

QList<std::shared_ptr<ImageAttachment>> AttachmentController::images() const
{
    QList<std::shared_ptr<ImageAttachment>> found;
    for (const AttachmentPtr& attachment : m_attachments) {
        if (auto image = std::dynamic_pointer_cast<ImageAttachment>(attachment))
            found.append(std::move(image));
    }
    return found;
}

QList<std::shared_ptr<MovieAttachment>> AttachmentController::movies() const
{
    QList<std::shared_ptr<MovieAttachment>> found;
    for (const AttachmentPtr& attachment : m_attachments) {
        if (auto movie = std::dynamic_pointer_cast<MovieAttachment>(attachment))
            found.append(std::move(movie));
    }
    return found;
}

// --- changes -------------------------------------------------------------------------------

void AttachmentController::adopt(const AttachmentPtr& attachment)
{
    // Addresses, settings, anything stored: saved a second later.
    connect(attachment.get(), &ModelRecord::valueChanged, this, &AttachmentController::noteChange);
}

void AttachmentController::addAttachment(const AttachmentPtr& attachment)
{
    if (attachment)
        addAttachments({attachment});
}

void AttachmentController::addAttachments(const QList<AttachmentPtr>& attachments)
{
    if (m_state == State::CleanedUp)
        return;
    finishLoading();
    const qsizetype first = m_attachments.size();
    for (const AttachmentPtr& attachment : attachments) {
        if (!attachment || m_attachments.contains(attachment))
            continue;
        m_attachments.append(attachment);
        adopt(attachment);
    }
    if (m_attachments.size() == first)
        return;
    emit attachmentsInserted(int(first), int(m_attachments.size() - 1));
    noteChange();
}

void AttachmentController::insertAttachment(int row, const AttachmentPtr& attachment)
{
    if (m_state == State::CleanedUp || !attachment)
        return;
    finishLoading();
    if (m_attachments.contains(attachment))
        return;
    if (row < 0 || row > m_attachments.size())
        row = int(m_attachments.size());
    m_attachments.insert(row, attachment);
    adopt(attachment);
    emit attachmentsInserted(row, row);
    noteChange();
}

bool AttachmentController::removeAttachment(const AttachmentPtr& attachment)
{
    finishLoading();
    const qsizetype row = m_attachments.indexOf(attachment);
    if (row < 0)
        return false;
    disconnect(attachment.get(), nullptr, this, nullptr);
    m_attachments.removeAt(row);
    emit attachmentsRemoved(int(row), int(row));
    noteChange();
    return true;
}

void AttachmentController::noteChange()
{
    if (m_state == State::CleanedUp)
        return;
    m_dirty = true;
    saveSoon();
}

void AttachmentController::saveSoon()
{
    if (m_saveTimer)
        return; // a save is already due within the second
    m_saveTimer = m_clock.singleShot(SaveDelayMsecs, [this] {
        const std::unique_ptr<Clock::Timer> done = std::move(m_saveTimer);
        saveAttachments();
    });
}

bool AttachmentController::saveAttachments(QString* error)
{
    if (m_state == State::Loading) {
        // Written once the load has ended, with everything it read.
        m_saveAfterLoad = true;
        return true;
    }
    if (m_state == State::CleanedUp || m_path.isEmpty())
        return true;
    // A library that was never read, or whose file went aside, writes only
    // what was added since: an unchanged one writes nothing.
    if (m_state != State::Loaded && !m_dirty)
        return true;
    m_saveTimer.reset();
    QVariantList root;
    root.reserve(m_attachments.size());
    for (const AttachmentPtr& attachment : std::as_const(m_attachments))
        root.append(QVariant::fromValue(ArchivableRef(attachment)));
    QString problem;
    if (!KeyedArchiver::archiveToFile(m_path, root, &problem)) {
        qCWarning(lcModel).noquote()
            << QStringLiteral("Could not archive attachments file to path %1").arg(m_path)
            << problem;
        if (error)
            *error = problem;
        emit saveFailed(problem);
        return false;
    }
    m_dirty = false;
    return true;
}

// --- quit ----------------------------------------------------------------------------------

void AttachmentController::cleanUp()
{
    if (m_state == State::CleanedUp)
        return;
    if (m_state == State::Loading)
        finishLoading();
    m_saveTimer.reset();
    saveAttachments();
    m_state = State::CleanedUp;
    for (const AttachmentPtr& attachment : std::as_const(m_attachments)) {
        disconnect(attachment.get(), nullptr, this, nullptr);
        // Converted copies and thumbnails are made again when needed; each
        // setter deletes only a file the attachment made in the cache.
        attachment->setCachedPath(QString());
        if (auto* media = dynamic_cast<MediaAttachment*>(attachment.get()))
            media->setThumbCachedPath(QString());
    }
    m_attachments.clear();
}
