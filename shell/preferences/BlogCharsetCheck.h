#pragma once

#include "RESTDelegate.h"

#include <QObject>
#include <QPointer>
#include <memory>

class Blog;

// Checks which character set a blog's page declares: fetches the page, reads
// the declaration and sets the blog's "convertEntities" from it. The outcome is
// a sentence for the settings window, never an alert. One check at a time.
class BlogCharsetCheck : public QObject, public RESTDelegate {
    Q_OBJECT
public:
    explicit BlogCharsetCheck(QObject* parent = nullptr);
    ~BlogCharsetCheck() override;

    // Starts a check of the blog's page; false (and nothing happens) without a
    // blog, without an address or while a check runs.
    bool start(Blog* blog);
    // Drops the running check: its answer is ignored and nothing is reported.
    void cancel();
    bool isRunning() const { return m_call != nullptr; }

    // RESTDelegate: the blog's login, for a page behind a password.
    QString url() const override;
    QString authUsername() const override;
    void setAuthUsername(const QString& username) override;
    QString authPassword() const override;
    void setAuthPassword(const QString& password) override;
    void setSubStatus(const QString& text) override;
    void restCallDidFinish(RESTCall* call) override;
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) override;

signals:
    // Progress and the final sentence, for the message field.
    void message(const QString& text);
    // The check ended, with an answer or a failure (not after cancel()).
    void finished();

private:
    void end(const QString& text);

    QPointer<Blog> m_blog;
    std::unique_ptr<RESTCall, void (*)(RESTCall*)> m_call;
};
