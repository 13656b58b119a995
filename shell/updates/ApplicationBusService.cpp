#include "ApplicationBusService.h"

#include "ApplicationBus.h"
#include "UpdatesLog.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QTimer>

ApplicationBusService::ApplicationBusService(QObject* parent) : QObject(parent) {}

ApplicationBusService::~ApplicationBusService()
{
    if (m_service.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QLatin1String(ApplicationBus::objectPath));
    bus.unregisterService(m_service);
}

bool ApplicationBusService::registerService(const QString& serviceName)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcUpdates) << "no session bus; the updater will not be able to ask plumet to quit";
        return false;
    }
    if (!bus.registerObject(QLatin1String(ApplicationBus::objectPath), this,
                            QDBusConnection::ExportScriptableSlots)) {
        qCWarning(lcUpdates) << "could not export the application object:"
                             << bus.lastError().message();
        return false;
    }
    if (!bus.registerService(serviceName)) {
        qCInfo(lcUpdates) << "the bus name" << serviceName
                          << "is taken:" << bus.lastError().message();
        bus.unregisterObject(QLatin1String(ApplicationBus::objectPath));
        return false;
    }
    m_service = serviceName;
    return true;
}

void ApplicationBusService::Quit()
{
    // After the bus call has been answered.
    QTimer::singleShot(0, this, &ApplicationBusService::quitRequested);
}
