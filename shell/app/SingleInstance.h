#pragma once

#include "ApplicationBus.h"

#include <QDBusContext>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <chrono>
#include <functional>
#include <memory>

// One running plumet per user. The program owns the name "org.plumet.plumet"
// on the session bus; a second launch hands its addresses and files to the
// owner there (OpenUrl, OpenFile, or Activate without any) and ends. The lock
// file "plumet.lock" in the support folder makes sure two processes never write
// the same files, even without a bus: it counts as stale only once the process
// that wrote it has ended, never by age.
//
// The same object answers the bus for the running program: the updater's
// Quit(), the forwarded documents, and the new-draft requests of other
// programs (NewDraftWithText, NewDraftWithItem) that stand in for the
// Services menu and the own-class event.
//
// Every call is answered at once and acted on after, one request to a turn
// of the event loop, so that the bus is answered between them however much
// work each brings. Arguments over their bounds (BusBounds.h) are refused
// with a D-Bus error that names the bound, and so is a request while too
// many wait.
class SingleInstance : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.plumet.Application")
public:
    // The names the updater calls Quit() by: one definition for both sides.
    static constexpr auto serviceName = ApplicationBus::serviceName;
    static constexpr auto objectPath = ApplicationBus::objectPath;
    static constexpr auto lockFileName = "plumet.lock";

    // One argument of the command line: an address to open or a file.
    struct Document {
        bool isFile = false;
        QString text; // the address, or the file's absolute path
        bool operator==(const Document&) const = default;
    };
    // Arguments as documents: "file:" addresses and anything without a scheme
    // are files, made absolute against `workingFolder`; other addresses stay.
    static QList<Document> documentsFromArguments(const QStringList& arguments,
                                                  const QString& workingFolder);

    enum class Claim {
        Owner,     // this process runs the program
        Forwarded, // another instance has the documents now; this one ends
        Refused,   // another process holds the files; refusal() says why
    };

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // support folder/plumet.lock unless set (tests).
    void setLockPath(const QString& path) { m_lockPath = path; }
    QString lockPath() const;
    void setServiceName(const QString& name) { m_service = name; }

    // Claims the bus name and the lock. With `wait` (a restart after a
    // plug-in install) the previous instance is given that long to let go of
    // both; without it a running instance gets the documents at once.
    Claim claim(const QList<Document>& documents,
                std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    QString refusal() const { return m_refusal; }
    // Whether this process owns the bus name (false without a bus).
    bool ownsBusName() const { return m_ownsName; }
    bool holdsLock() const { return m_lock && m_lock->isLocked(); }
    // Lets go of the name and the lock.
    void release();
    // Requests taken and not yet acted on.
    qsizetype waitingRequests() const { return m_waiting.size(); }

public slots:
    Q_SCRIPTABLE void Quit();
    Q_SCRIPTABLE void Activate();
    Q_SCRIPTABLE void OpenUrl(const QString& url);
    Q_SCRIPTABLE void OpenFile(const QString& path);
    Q_SCRIPTABLE void NewDraftWithText(const QString& text);
    Q_SCRIPTABLE void NewDraftWithItem(const QVariantMap& item);

signals:
    void quitRequested();
    void activateRequested();
    void urlReceived(const QString& url);
    void fileReceived(const QString& path);
    void textReceived(const QString& text);
    void itemReceived(const QVariantMap& item);

private:
    enum class NameResult { Owned, Taken, NoBus };
    NameResult takeName();
    bool forward(const QList<Document>& documents);
    // Queues the request unless too many wait (then it is refused): false when refused.
    bool enqueue(const char* method, qsizetype characters, std::function<void()> act);
    void actOnNext();

    struct Waiting {
        qsizetype characters = 0;
        std::function<void()> act;
    };
    QList<Waiting> m_waiting;
    qsizetype m_waitingCharacters = 0;
    QTimer m_turn;

    QString m_lockPath;
    QString m_service = QString::fromLatin1(serviceName);
    std::unique_ptr<QLockFile> m_lock;
    bool m_ownsName = false;
    bool m_registered = false;
    QString m_refusal;
};
