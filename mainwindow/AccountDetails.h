#pragma once

#include "Color.h"

#include <QString>

class Account;

// The fields of one account as the accounts window edits them: a working
// copy, so that nothing reaches the account (or the keychain) before the
// user saves.
struct AccountDetails {
    rv::Color label{1.0, 1.0, 1.0, 1.0};
    QString title;
    QString url;
    QString pluginKey;
    QString username;
    QString password;

    // The account's fields; the password read from the keychain.
    static AccountDetails of(Account& account);
    // What a new working copy holds: no address, user or password, an
    // opaque white label, the title "Untitled", the "MovableType" plug-in.
    static AccountDetails cleared();

    friend bool operator==(const AccountDetails&, const AccountDetails&) = default;
};
