#pragma once

#include <QString>
#include <functional>

// What an editor whose content comes back later (the rich editor, whose page
// answers from another process) adds to DraftEditor, so that a draft never
// waits on it for ever and never loses what it had:
// - now and then, after the user changed the content, it hands the whole
//   content over unasked (pushContent); the draft keeps the latest;
// - when it can no longer answer (its renderer hung up or died) it says so
//   (reportFailure), and the draft goes on at once with what it last had;
// - when it can answer again after that (a new renderer shows its page) it
//   says so too (reportRecovered): what it shows then is what it was last
//   given, so the draft gives it back the content it last had.
// A draft that asks an editor for its content and hears nothing within two
// seconds goes on with that same last content and tells the user.
//
// The editor's widget derives from DraftEditor and from this class.
class AsyncDraftEditor {
public:
    using ContentHandler = std::function<void(const QString& content)>;
    using FailureHandler = std::function<void(const QString& reason)>;
    using RecoveryHandler = std::function<void()>;

    virtual ~AsyncDraftEditor() = default;

    // The draft's functions; empty for none.
    void setContentHandler(ContentHandler handler) { m_contentHandler = std::move(handler); }
    void setFailureHandler(FailureHandler handler) { m_failureHandler = std::move(handler); }
    void setRecoveryHandler(RecoveryHandler handler) { m_recoveryHandler = std::move(handler); }

protected:
    AsyncDraftEditor() = default;

    // The whole content in its stored form, handed over unasked.
    void pushContent(const QString& content)
    {
        if (m_contentHandler)
            m_contentHandler(content);
    }
    // The editor cannot answer any more; `reason` is a sentence for the log.
    void reportFailure(const QString& reason)
    {
        if (m_failureHandler)
            m_failureHandler(reason);
    }
    // After a failure, the editor answers again.
    void reportRecovered()
    {
        if (m_recoveryHandler)
            m_recoveryHandler();
    }

private:
    ContentHandler m_contentHandler;
    FailureHandler m_failureHandler;
    RecoveryHandler m_recoveryHandler;
};
