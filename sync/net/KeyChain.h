#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

// Account passwords in the user's keyring (the Secret Service, through
// libsecret). Items are generic passwords keyed by a service
// ("plumet : <address>", "plumet(auth) : <address>") and an account (the user
// name).
//
// The main thread uses the asynchronous calls: a locked keyring may hold a
// call until the user answers its prompt, and the windows keep painting
// meanwhile. They run one at a time in the order asked, so a lookup after a
// store reads what was stored. The synchronous calls block, and are for
// worker threads and tests.
class KeyChain {
public:
    static KeyChain& sharedInstance();

    static QString serviceForAddress(const QString& address);
    static QString authServiceForAddress(const QString& address);

    // How an asynchronous call ended. `password` is the lookup's answer: empty
    // when there is no item, null when the stored bytes are not UTF-8.
    struct Result {
        bool ok = true;
        QString password;
        QString error;
    };
    using Done = std::function<void(const Result& result)>;

    // Asynchronous: `done` is called later from the event loop, never inside
    // the call, and not at all once `context` is gone. Each may be left out.
    void lookup(const QString& service, const QString& account, QObject* context, Done done);
    // Stores or replaces the item; an empty password removes it.
    void store(const QString& password, const QString& service, const QString& account,
               QObject* context = nullptr, Done done = {});
    void remove(const QString& service, const QString& account, QObject* context = nullptr,
                Done done = {});
    // Calls asked for and not yet ended.
    int pendingCalls() const { return static_cast<int>(m_queue.size()); }

    // Synchronous (blocking). Stores or replaces the item; an empty password
    // removes it. An empty service or account does nothing. False, with
    // `error` set, when the keyring refused.
    bool setGenericPassword(const QString& password, const QString& service, const QString& account,
                            QString* error = nullptr);
    // The password; empty when the service or account is empty or there is no
    // item; a null string when the stored bytes are not UTF-8.
    QString genericPassword(const QString& service, const QString& account,
                            QString* error = nullptr) const;
    bool removeGenericPassword(const QString& service, const QString& account,
                               QString* error = nullptr);

    KeyChain(const KeyChain&) = delete;
    KeyChain& operator=(const KeyChain&) = delete;

    struct Call;

private:
    KeyChain() = default;

    void enqueue(std::unique_ptr<Call> call);
    void runNext();
    void runOnLoop(Call& call);
    void runOnWorker(Call& call);

public:
    // Ends the call at the head of the queue and starts the next.
    void finishHead(const Result& result);

private:
    std::deque<std::unique_ptr<Call>> m_queue;
    bool m_running = false;
};
