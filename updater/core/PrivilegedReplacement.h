#pragma once

#include "UpdateHandOver.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QProcess;

// Replaces an installation the user may not write: a launcher that asks for an
// administrator's password (pkexec) runs our fixed helper program with the
// downloaded archive, what the update claims about it, and the installation
// folder as its arguments. No shell is involved. The helper copies the archive
// out of the user's reach, checks it with its own key, unpacks it and swaps
// the folders by renaming, as the plain road does: what the user's side
// unpacked (which anything running as the user could change) is never used.
class PrivilegedReplacement : public QObject {
    Q_OBJECT
public:
    explicit PrivilegedReplacement(QObject* parent = nullptr);
    ~PrivilegedReplacement() override;

    // `launcher` is a program name looked up in PATH or an absolute path;
    // `helper` an absolute path. Ends with finished().
    void movePathWithAuthentication(const QString& launcher, const QString& helper,
                                    const QString& archive, const UpdateHandOver& update,
                                    const QString& installFolder);

signals:
    void finished(bool replaced, const QString& detail);

private:
    void end(bool replaced, const QString& detail);

    QPointer<QProcess> m_process;
    bool m_ended = false;
};
