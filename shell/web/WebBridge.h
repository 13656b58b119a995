#pragma once

#include <QObject>
#include <QString>

// The object our page scripts reach over the web channel, as "bridge". It is
// exposed to our isolated script world only: the content's own world cannot
// see it. Page script calls it; C++ listens to its signals.
class WebBridge : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    // Our scripts are in place and the channel is up in the document at `url`.
    void pageReady(const QString& url) { emit ready(url); }
    // The user Alt-clicked a link to `url`.
    void askToSave(const QString& url) { emit saveAsked(url); }

signals:
    void ready(const QString& url);
    void saveAsked(const QString& url);
};
