#pragma once

#include "InstalledService.h"

#include <QString>
#include <functional>

class Entry;

// Asks the user before publishing an entry whose last publish was cut short
// after the request that makes the post went out: the server may hold the
// post already, and a second publish would post it again. With no prompter
// installed such an entry is not published; the refusal says why.
class PublishPrompter : public InstalledService<PublishPrompter> {
public:
    enum class Answer {
        LookOnServer,  // fetch the blog's recent posts; publish nothing
        PublishAnyway, // publish as a new post
        Cancel,
    };
    using Completion = std::function<void(Answer answer)>;

    virtual ~PublishPrompter();

    // Shows the question and returns at once; `done` runs exactly once, later,
    // on the main thread.
    virtual void askToPublishAgain(const Entry& entry, Completion done) = 0;

    // The question in words, for whichever window asks it.
    static QString questionTitle();
    static QString questionText(const Entry& entry);
    static QString lookOnServerLabel();
    static QString publishAnywayLabel();
};
