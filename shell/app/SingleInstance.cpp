#include "SingleInstance.h"

#include "AppLog.h"
#include "BusBounds.h"
#include "SupportFolder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <string_view>

namespace {

constexpr int forwardTimeout = 5000;

// moc takes the interface of Q_CLASSINFO only as a literal.
static_assert(std::string_view(ApplicationBus::interfaceName) == "org.plumet.Application");
static_assert(std::string_view(ApplicationBus::quitMethod) == "Quit");

} // namespace

QList<SingleInstance::Document> SingleInstance::documentsFromArguments(const QStringList& arguments,
                                                                       const QString& workingFolder)
{
    QList<Document> documents;
    const QDir base(workingFolder);
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        const QUrl url(argument);
        const QString scheme = url.scheme();
        // A single letter before the colon would be a drive, never an address here.
        const bool isAddress = scheme.size() > 1 && !QFileInfo::exists(base.filePath(argument));
        if (isAddress && url.isLocalFile()) {
            documents.append({true, QDir::cleanPath(url.toLocalFile())});
        } else if (isAddress) {
            documents.append({false, argument});
        } else {
            documents.append({true, QDir::cleanPath(base.absoluteFilePath(argument))});
        }
    }
    return documents;
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent)
{
    m_turn.setSingleShot(true);
    m_turn.setInterval(0);
    connect(&m_turn, &QTimer::timeout, this, &SingleInstance::actOnNext);
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::lockPath() const
{
    if (!m_lockPath.isEmpty())
        return m_lockPath;
    const QString folder = cutils::applicationSupportFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QString::fromLatin1(lockFileName));
}

SingleInstance::NameResult SingleInstance::takeName()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return NameResult::NoBus;
    if (!m_registered) {
        m_registered = bus.registerObject(QString::fromLatin1(objectPath), this,
                                          QDBusConnection::ExportScriptableSlots);
        if (!m_registered)
            qCWarning(lcApp) << "could not export the application object:"
                             << bus.lastError().message();
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(m_service, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_ownsName = true;
        return NameResult::Owned;
    }
    if (!reply.isValid()) {
        qCWarning(lcApp) << "the session bus refused the name" << m_service << ":"
                         << reply.error().message();
        return NameResult::NoBus;
    }
    return NameResult::Taken;
}

bool SingleInstance::forward(const QList<Document>& documents)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto call = [&](const char* method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            m_service, QString::fromLatin1(objectPath),
            QString::fromLatin1(ApplicationBus::interfaceName), QString::fromLatin1(method));
        message.setArguments(arguments);
        message.setAutoStartService(false);
        const QDBusMessage answer = bus.call(message, QDBus::Block, forwardTimeout);
        if (answer.type() == QDBusMessage::ErrorMessage &&
            answer.errorName() == QDBusError::errorString(QDBusError::LimitsExceeded)) {
            // It answered: this document is refused, the others may still go.
            qCWarning(lcApp).noquote()
                << "the running plumet refused" << method << ":" << answer.errorMessage();
            return true;
        }
        if (answer.type() == QDBusMessage::ErrorMessage) {
            qCWarning(lcApp) << "the running plumet did not take" << method << ":"
                             << answer.errorMessage();
            return false;
        }
        return true;
    };
    if (documents.isEmpty())
        return call("Activate", {});
    for (const Document& document : documents) {
        if (!call(document.isFile ? "OpenFile" : "OpenUrl", {document.text}))
            return false;
    }
    return true;
}

SingleInstance::Claim SingleInstance::claim(const QList<Document>& documents,
                                            std::chrono::milliseconds wait)
{
    m_refusal.clear();
    const QDeadlineTimer deadline(wait);
    NameResult name = takeName();
    while (name == NameResult::Taken && !deadline.hasExpired()) {
        QThread::msleep(100);
        name = takeName();
    }
    if (name == NameResult::Taken) {
        if (forward(documents))
            return Claim::Forwarded;
        m_refusal = QCoreApplication::translate(
            "AppControl", "plumet is already running but does not answer. Quit it and try again.");
        return Claim::Refused;
    }

    const QString path = lockPath();
    if (path.isEmpty()) {
        m_refusal = QCoreApplication::translate("AppControl",
                                                "plumet's support folder could not be found.");
        release();
        return Claim::Refused;
    }
    m_lock = std::make_unique<QLockFile>(path);
    // Stale only when the process that wrote it has ended: age says nothing.
    m_lock->setStaleLockTime(0);
    const int remaining = int(qMax<qint64>(0, deadline.remainingTime()));
    if (!m_lock->tryLock(remaining)) {
        const bool held = m_lock->error() == QLockFile::LockFailedError;
        m_refusal =
            held ? QCoreApplication::translate(
                       "AppControl",
                       "Another plumet is running for this user and using its files (%1). Quit it "
                       "first.")
                       .arg(QDir::toNativeSeparators(path))
                 : QCoreApplication::translate("AppControl", "The lock file %1 can't be written.")
                       .arg(QDir::toNativeSeparators(path));
        m_lock.reset();
        release();
        return Claim::Refused;
    }
    return Claim::Owner;
}

void SingleInstance::release()
{
    if (m_lock) {
        m_lock->unlock();
        m_lock.reset();
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_ownsName && bus.isConnected())
        bus.unregisterService(m_service);
    m_ownsName = false;
    if (m_registered && bus.isConnected())
        bus.unregisterObject(QString::fromLatin1(objectPath));
    m_registered = false;
}

bool SingleInstance::enqueue(const char* method, qsizetype characters, std::function<void()> act)
{
    const bool isQuit = qstrcmp(method, "Quit") == 0;
    if (!isQuit && (m_waiting.size() >= BusBounds::MaxWaitingRequests ||
                    m_waitingCharacters + characters > BusBounds::MaxWaitingCharacters)) {
        BusBounds::refuse(*this, QString::fromLatin1(method),
                          QStringLiteral("plumet holds as many waiting requests as it takes (%1, "
                                         "or %2 characters); try again in a moment.")
                              .arg(BusBounds::MaxWaitingRequests)
                              .arg(BusBounds::MaxWaitingCharacters));
        return false;
    }
    m_waiting.append({characters, std::move(act)});
    m_waitingCharacters += characters;
    if (!m_turn.isActive())
        m_turn.start();
    return true;
}

// One request to a turn: the calls that arrived meanwhile are answered before the next.
void SingleInstance::actOnNext()
{
    if (m_waiting.isEmpty())
        return;
    const Waiting next = m_waiting.takeFirst();
    m_waitingCharacters -= next.characters;
    if (!m_waiting.isEmpty())
        m_turn.start();
    next.act();
}

void SingleInstance::Quit()
{
    enqueue("Quit", 0, [this] { emit quitRequested(); });
}

void SingleInstance::Activate()
{
    enqueue("Activate", 0, [this] { emit activateRequested(); });
}

void SingleInstance::OpenUrl(const QString& url)
{
    if (const auto refusal = BusBounds::urlRefusal(url)) {
        BusBounds::refuse(*this, QStringLiteral("OpenUrl"), *refusal);
        return;
    }
    enqueue("OpenUrl", url.size(), [this, url] { emit urlReceived(url); });
}

void SingleInstance::OpenFile(const QString& path)
{
    if (const auto refusal = BusBounds::pathRefusal(path)) {
        BusBounds::refuse(*this, QStringLiteral("OpenFile"), *refusal);
        return;
    }
    enqueue("OpenFile", path.size(), [this, path] { emit fileReceived(path); });
}

void SingleInstance::NewDraftWithText(const QString& text)
{
    if (const auto refusal = BusBounds::textRefusal(text)) {
        BusBounds::refuse(*this, QStringLiteral("NewDraftWithText"), *refusal);
        return;
    }
    enqueue("NewDraftWithText", text.size(), [this, text] { emit textReceived(text); });
}

void SingleInstance::NewDraftWithItem(const QVariantMap& item)
{
    if (const auto refusal =
            BusBounds::fieldsRefusal(item, BusBounds::MaxTextLength, BusBounds::MaxTextLength)) {
        BusBounds::refuse(*this, QStringLiteral("NewDraftWithItem"), *refusal);
        return;
    }
    enqueue("NewDraftWithItem", BusBounds::fieldsLength(item),
            [this, item] { emit itemReceived(item); });
}
