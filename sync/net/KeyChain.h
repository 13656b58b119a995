#pragma once

#include <QString>

// Account passwords in the user's keyring (the Secret Service, through
// libsecret's synchronous calls). Items are generic passwords keyed by a
// service ("plumet : <address>", "plumet(auth) : <address>") and an account
// (the user name). Usable from any thread.
class KeyChain {
public:
    static KeyChain& sharedInstance();

    static QString serviceForAddress(const QString& address);
    static QString authServiceForAddress(const QString& address);

    // Stores or replaces the item; an empty password removes it. An empty
    // service or account does nothing. False, with `error` set, when the
    // keyring refused.
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

private:
    KeyChain() = default;
};
