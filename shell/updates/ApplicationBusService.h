#pragma once

#include <QObject>

// The running application on the session bus, where the updater finds it and
// asks it to quit before replacing it.
class ApplicationBusService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.plumet.Application")
public:
    explicit ApplicationBusService(QObject* parent = nullptr);
    ~ApplicationBusService() override;

    // Takes the application's name on the session bus; false (with a log line)
    // when there is no bus or another instance holds the name.
    bool registerService(const QString& serviceName);

public slots:
    // Quits as the Quit command does; answers at once.
    Q_SCRIPTABLE void Quit();

signals:
    void quitRequested();

private:
    QString m_service;
};
