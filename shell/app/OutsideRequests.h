#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class BlogController;
class PluginInstaller;

// What other programs hand the running plumet: addresses ("plumet3:" for a
// new draft about a page, "x-blogpost:" for a stored post), files (a web
// location, an entry file, a plug-in bundle; anything else is refused with
// an alert), and texts and items for new drafts. Until the launch has
// finished they wait (as many as the bus may hold waiting), and are then
// handled in the order they came.
class OutsideRequests : public QObject {
    Q_OBJECT
public:
    explicit OutsideRequests(QObject* parent = nullptr);
    ~OutsideRequests() override;

    // The main window that makes the drafts, and the installer of bundles.
    void setBlogController(BlogController* window);
    void setPluginInstaller(PluginInstaller* installer);

    // From now on each request is handled as it comes; the waiting ones are
    // handled now, in order.
    void startHandling();
    bool hasWaiting() const { return !m_pending.isEmpty(); }

    void openUrl(const QString& url);
    void openFile(const QString& path);
    void newDraftWithText(const QString& text);
    void newDraftWithItem(const QVariantMap& item);

private:
    struct Pending {
        enum class Kind { Url, File, Text, Item } kind;
        QString text;
        QVariantMap item;
    };
    void queueOrHandle(Pending pending);
    void handle(const Pending& pending);
    void processURL(const QString& url);
    bool handleOpenFile(const QString& path);

    QPointer<BlogController> m_window;
    QPointer<PluginInstaller> m_installer;
    bool m_handling = false;
    QList<Pending> m_pending;
    qsizetype m_pendingCharacters = 0;
};
