#pragma once

#include <QList>
#include <QPointF>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <functional>
#include <optional>

class QWebChannel;
class WebBridge;

// A page of ours. It shows documents served from memory, runs our page scripts
// in the isolated ApplicationWorld (where the "plumet" object and the web
// channel's "bridge" live) and keeps the content's own world without either.
//
// Links the user clicks, and pages that ask for a new window, go to the
// desktop's browser when DesktopLinks lets them; any other navigation of the
// main frame away from our document is refused (a refresh or form in post
// content cannot take the view elsewhere), and no form is sent from any
// frame. Nothing of post content runs: its scripts and those of every frame
// it embeds are off, whatever a document says. Main thread only.
class WebContentPage : public QWebEnginePage {
    Q_OBJECT
public:
    enum class Content {
        Post,   // the user's or a server's HTML: shown under the content security policy
        OwnPage // a page of ours whose markup we wrote
    };

    // Called with the value a page function returned (JSON types as QVariant).
    using Answer = std::function<void(const QVariant& value)>;

    // How a document is shown.
    struct ShowOptions {
        // What the document's relative addresses resolve against; only an
        // http or https address is used.
        QUrl baseUrl;
        // The new document opens where the reader was in the one it replaces
        // (once it has loaded) instead of at the top.
        bool keepScrollPosition = false;
    };

    explicit WebContentPage(QObject* parent = nullptr);
    ~WebContentPage() override;

    // Shows `html`; calls made from now on wait for this document.
    void showDocument(const QString& html, Content kind = Content::Post);
    void showDocument(const QString& html, Content kind, const ShowOptions& options);
    // Whether the document shown last has our scripts in place.
    bool isReady() const { return m_ready; }

    // Calls plumet.<function>(args...) in our world once the document shown
    // last is ready. The answer is dropped when another document has been
    // shown (or the page reloaded) by the time it arrives, so a caller never
    // hears from a page it did not ask.
    void callFunction(const QString& function, const QVariantList& args = {}, Answer answer = {});

    // Decides where a link the user follows goes before the browser does: a
    // handler that answers true has dealt with it.
    using LinkHandler = std::function<bool(const QUrl& url)>;
    void setLinkHandler(LinkHandler handler) { m_linkHandler = std::move(handler); }
    // Adds a page script of the view's own to our world, run when each
    // document is ready, after the shared ones; it may add channel objects
    // through plumet.channelHooks. Call before the first document is shown.
    void addPageScript(const QString& name, const QString& source);

    // Keeps every script of our own pages from running too (post content
    // never runs any); our page scripts still run in their world. Off unless
    // set.
    void setBlocksContentScripts(bool blocks);
    bool blocksContentScripts() const { return m_blocksScripts; }

    // For a page whose own scripts need the engine's script machinery (the
    // rich editor's timers, which stop with the documents' scripts): post
    // content is then held by its policy alone, and since a framed page
    // brings a policy of its own, no frame of post content loads. Call before
    // the first document is shown.
    void setKeepsScriptEngine(bool keeps) { m_keepsScriptEngine = keeps; }

signals:
    // The user Alt-clicked a link to an http or https address.
    void downloadAsked(const QUrl& url);
    // The document shown last is ready for calls.
    void documentReady();
    // A new document replaced the one shown; answers pending for it are dropped.
    void documentReplaced();

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    struct PendingCall {
        quint64 generation;
        QString script;
        Answer answer;
    };

    void installScripts();
    void beginGeneration();
    void documentLoaded(bool ok);
    void bridgeReady(const QString& url);
    void run(const PendingCall& call);
    static bool sameDocument(const QUrl& a, const QUrl& b);

    QWebChannel* m_channel = nullptr;
    WebBridge* m_bridge = nullptr;
    QUrl m_documentUrl;
    quint64 m_generation = 0;
    bool m_ready = false;
    QList<PendingCall> m_pending;
    // Where the reader goes once the document shown last has loaded.
    std::optional<QPointF> m_scrollTarget;
    LinkHandler m_linkHandler;
    bool m_blocksScripts = false;
    bool m_keepsScriptEngine = false;
};
