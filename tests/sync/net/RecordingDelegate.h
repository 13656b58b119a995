#pragma once

#include "ConsoleSink.h"
#include "RESTCall.h"
#include "RESTDelegate.h"

#include <QStringList>
#include <optional>

// A delegate that records everything a call tells it.
class RecordingDelegate : public RESTDelegate {
public:
    QString address = QStringLiteral("http://blog.test/");
    QString username;
    QString password;
    QStringList subStatuses;
    QList<double> durations;
    QList<double> progress;
    int finishes = 0;
    int failures = 0;
    std::optional<RestError> error;
    QByteArray body;
    int status = 0;
    bool deleteCallWhenDone = false;

    bool done() const { return finishes + failures > 0; }

    QString url() const override { return address; }
    QString authUsername() const override { return username; }
    void setAuthUsername(const QString& value) override { username = value; }
    QString authPassword() const override { return password; }
    void setAuthPassword(const QString& value) override { password = value; }
    void setDuration(double value) override { durations << value; }
    void setProgress(double value) override { progress << value; }
    void setSubStatus(const QString& text) override { subStatuses << text; }
    void restCallDidFinish(RESTCall* call) override
    {
        ++finishes;
        body = call->restData();
        status = call->httpStatus();
        if (deleteCallWhenDone)
            call->deleteLater();
    }
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& failure) override
    {
        ++failures;
        error = failure;
        if (deleteCallWhenDone)
            call->deleteLater();
    }
};

// Keeps everything written to the network console.
class RecordingConsole : public ConsoleSink {
public:
    RecordingConsole() { ConsoleSink::setSharedInstance(this); }
    ~RecordingConsole() override { ConsoleSink::setSharedInstance(nullptr); }
    bool isConsoleVisible() const override { return true; }
    void clearConsole() override { text.clear(); }
    void addToConsole(const QString& added) override { text += added; }
    QString text;
};
