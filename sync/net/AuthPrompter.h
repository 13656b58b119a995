#pragma once

#include "InstalledService.h"

#include <QString>
#include <functional>

// Asks the user for a user name and password when a server rejects or lacks
// stored credentials. The login sheet installs itself here; with none installed
// every request is answered as cancelled.
class AuthPrompter : public InstalledService<AuthPrompter> {
public:
    struct Answer {
        bool accepted = false;
        QString username;
        QString password;
    };
    using Completion = std::function<void(const Answer&)>;

    virtual ~AuthPrompter();

    // Shows the question and returns at once; `done` runs exactly once, later,
    // on the main thread. `username` is the only value pre-filled.
    virtual void ask(const QString& caption, const QString& username, Completion done) = 0;

    // "You need authentication to access the address "<address>"." and, when
    // the server names the protected area (its realm), "The server names the
    // protected area "<realm>"."
    static QString captionFor(const QString& address, const QString& realm = QString());
};
