#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QProcess;

// Decides whether an installation folder may be replaced, and how. Only a
// self-contained folder (it holds the marker file) outside the system's
// folders, and unknown to the package manager, ever is: the user's own folder
// by renaming, any other (say, one under /opt owned by root) through the
// privileged helper.
class InstallTarget : public QObject {
    Q_OBJECT
public:
    enum class Verdict { Replaceable, PackageManaged, NotSelfContained };
    enum class Road { Plain, Privileged };

    explicit InstallTarget(QObject* parent = nullptr);

    // Asks the package manager without blocking; ends with examined().
    void examine(const QString& folder);

    // The user may rename the folder within its parent without other rights.
    static Road roadFor(const QString& canonicalFolder);

signals:
    // `folder` is the canonical path; `detail` says why when not replaceable.
    void examined(InstallTarget::Verdict verdict, const QString& folder, const QString& detail);

private:
    void finish(Verdict verdict, const QString& detail);

    QString m_folder;
    QPointer<QProcess> m_query;
};
