#pragma once

#include <QString>
#include <functional>

// Asks the user for a user name and password when a server rejects or lacks
// stored credentials. The login sheet installs itself here; with none installed
// every request is answered as cancelled.
class AuthPrompter {
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

    static AuthPrompter* shared();
    // The caller keeps ownership; nullptr removes the prompter.
    static void setShared(AuthPrompter* prompter);

    // "You need authentication to access the address "<address>"."
    static QString captionFor(const QString& address);
};
