#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The running main application, as the updater sees it: whether it runs (its
// name is taken on the session bus, or a process of this user runs its program
// file) and the request to quit, sent over the bus without waiting.
class RunningApplication : public QObject {
    Q_OBJECT
public:
    RunningApplication(const QString& serviceName, const QString& programPath,
                       QObject* parent = nullptr);

    // Answers later, on this thread; never blocks on the bus.
    void checkRunning(std::function<void(bool running)> answer);
    void requestQuit();

private:
    QString m_service;
    QString m_program;
};
