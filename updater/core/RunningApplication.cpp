#include "RunningApplication.h"

#include "ApplicationBus.h"
#include "NDProcess.h"
#include "UpdaterLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

RunningApplication::RunningApplication(const QString& serviceName, const QString& programPath,
                                       QObject* parent)
    : QObject(parent), m_service(serviceName), m_program(programPath)
{
}

void RunningApplication::checkRunning(std::function<void(bool)> answer)
{
    const bool processRuns = NDProcess::processForPath(m_program).has_value();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QTimer::singleShot(0, this, [answer, processRuns] { answer(processRuns); });
        return;
    }
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    auto* watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(QDBusMessage(ask) << m_service), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [answer, processRuns](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<bool> reply = *call;
                call->deleteLater();
                answer(processRuns || (reply.isValid() && reply.value()));
            });
}

void RunningApplication::requestQuit()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage quit = QDBusMessage::createMethodCall(
        m_service, QLatin1String(ApplicationBus::objectPath),
        QLatin1String(ApplicationBus::interfaceName), QLatin1String(ApplicationBus::quitMethod));
    quit.setAutoStartService(false);
    if (!bus.send(quit))
        qCWarning(lcUpdater) << "could not ask the application to quit:"
                             << bus.lastError().message();
}
