#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <sys/types.h>

// One running process of the current user, named by its process id. Read from
// /proc on demand: a process that has ended answers empty values.
class NDProcess {
public:
    explicit NDProcess(pid_t pid = 0) : m_pid(pid) {}

    pid_t pid() const { return m_pid; }
    // Pid 0 stands for "no process".
    bool isNoProcess() const { return m_pid == 0; }
    // Whether the process still exists and belongs to the current user.
    bool isValid() const;

    // The short command name the kernel keeps (at most 15 bytes); "no process"
    // for pid 0, empty when the process has gone.
    QString name() const;
    // The program file the process runs, empty when it cannot be read.
    QString path() const;

    bool operator==(const NDProcess& other) const { return m_pid == other.m_pid; }

    // Every process of the current user, in ascending pid order.
    static QList<NDProcess> everyProcess();
    // The first process of the current user whose name is `name`. Names longer
    // than the kernel keeps are compared on the part it keeps.
    static std::optional<NDProcess> firstProcessNamed(const QString& name);
    // The first process of the current user running the program file at
    // `path` (compared as canonical paths). Nothing at the path answers none
    // without looking at any process.
    static std::optional<NDProcess> processForPath(const QString& path);

private:
    QString procEntry(const char* entry) const;

    pid_t m_pid = 0;
};
