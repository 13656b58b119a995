#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QProcess;

// Replaces an installation the user may not write: a launcher that asks for an
// administrator's password (pkexec) runs our fixed helper program with the two
// folders as its arguments. No shell is involved; the helper checks the
// folders again and swaps them by renaming, as the plain road does.
class PrivilegedReplacement : public QObject {
    Q_OBJECT
public:
    explicit PrivilegedReplacement(QObject* parent = nullptr);
    ~PrivilegedReplacement() override;

    // `launcher` is a program name looked up in PATH or an absolute path;
    // `helper` an absolute path. Ends with finished().
    void movePathWithAuthentication(const QString& launcher, const QString& helper,
                                    const QString& newFolder, const QString& installFolder);

signals:
    void finished(bool replaced, const QString& detail);

private:
    void end(bool replaced, const QString& detail);

    QPointer<QProcess> m_process;
    bool m_ended = false;
};
