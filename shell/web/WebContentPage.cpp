#include "WebContentPage.h"

#include "DesktopLinks.h"
#include "WebBridge.h"
#include "WebContent.h"
#include "WebContentLog.h"
#include "WebContentSchemeHandler.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

QString resourceText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcWebContent) << "missing page script" << path;
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QWebEngineScript worldScript(const QString& name, const QString& source,
                             QWebEngineScript::InjectionPoint point)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(point);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

// Our own documents stay in the view; the rest goes to the desktop if it may.
void openInBrowser(const QUrl& url, const QWebEnginePage* page)
{
    if (url.isValid() && url.scheme() != WebContent::schemeName())
        DesktopLinks::open(url, page ? QWebEngineView::forPage(page) : nullptr);
}

// Stands in for a window a page asked for: the first address it is sent to
// goes to the browser, then it goes away.
class NewWindowCatcher : public QWebEnginePage {
public:
    explicit NewWindowCatcher(QObject* parent) : QWebEnginePage(WebContent::profile(), parent) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        openInBrowser(url, qobject_cast<QWebEnginePage*>(parent()));
        deleteLater();
        return false;
    }
};

} // namespace

WebContentPage::WebContentPage(QObject* parent)
    : QWebEnginePage(WebContent::profile(), parent), m_channel(new QWebChannel(this)),
      m_bridge(new WebBridge(this))
{
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    m_channel->registerObject(QStringLiteral("bridge"), m_bridge);
    setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);
    installScripts();
    connect(m_bridge, &WebBridge::ready, this, &WebContentPage::bridgeReady);
    connect(m_bridge, &WebBridge::saveAsked, this, [this](const QString& address) {
        const QUrl url(address);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
            emit downloadAsked(url);
    });
    connect(this, &QWebEnginePage::loadFinished, this, &WebContentPage::documentLoaded);
    connect(this, &QWebEnginePage::renderProcessTerminated, this, [this] {
        // Show the document again rather than a dead view; calls in flight are void.
        if (m_documentUrl.isEmpty())
            return;
        beginGeneration();
        QTimer::singleShot(0, this, [this] { load(m_documentUrl); });
    });
}

WebContentPage::~WebContentPage()
{
    if (!m_documentUrl.isEmpty())
        WebContent::schemeHandler()->removeDocument(m_documentUrl);
}

void WebContentPage::installScripts()
{
    // The channel's client first, then ours, which connects and says it is ready.
    scripts().insert(worldScript(QStringLiteral("qwebchannel"),
                                 resourceText(QStringLiteral(":/qtwebchannel/qwebchannel.js")),
                                 QWebEngineScript::DocumentCreation));
    scripts().insert(worldScript(QStringLiteral("plumet-page"),
                                 resourceText(QStringLiteral(":/plumet/web/page.js")),
                                 QWebEngineScript::DocumentReady));
}

void WebContentPage::addPageScript(const QString& name, const QString& source)
{
    scripts().insert(worldScript(name, source, QWebEngineScript::DocumentReady));
}

void WebContentPage::setBlocksContentScripts(bool blocks)
{
    m_blocksScripts = blocks;
    settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, !blocks);
}

void WebContentPage::showDocument(const QString& html, Content kind)
{
    showDocument(html, kind, ShowOptions());
}

void WebContentPage::showDocument(const QString& html, Content kind, const ShowOptions& options)
{
    WebContentSchemeHandler* handler = WebContent::schemeHandler();
    const QUrl previous = m_documentUrl;
    // A document replaced before it loaded passes on the place it was to open at.
    if (!options.keepScrollPosition)
        m_scrollTarget.reset();
    else if (!m_scrollTarget)
        m_scrollTarget = scrollPosition();
    // Scripts of the main world, in every frame: ours run in the application
    // world. The policy of post content stops its own scripts, but not those
    // of a page it frames.
    settings()->setAttribute(QWebEngineSettings::JavascriptEnabled,
                             !m_blocksScripts && (kind != Content::Post || m_keepsScriptEngine));
    m_documentUrl = handler->addDocument(WebContent::preparedDocument(
        html, kind == Content::Post, options.baseUrl, !m_keepsScriptEngine));
    beginGeneration();
    load(m_documentUrl);
    if (!previous.isEmpty())
        handler->removeDocument(previous);
}

void WebContentPage::documentLoaded(bool ok)
{
    if (!ok || !m_scrollTarget || !sameDocument(url(), m_documentUrl))
        return;
    const QPointF target = *std::exchange(m_scrollTarget, std::nullopt);
    if (target.isNull())
        return;
    runJavaScript(QStringLiteral("window.scrollTo(%1, %2)").arg(target.x()).arg(target.y()),
                  QWebEngineScript::ApplicationWorld);
}

void WebContentPage::beginGeneration()
{
    ++m_generation;
    m_ready = false;
    m_pending.clear();
    if (m_generation > 1)
        emit documentReplaced();
}

void WebContentPage::bridgeReady(const QString& url)
{
    if (m_ready || !sameDocument(QUrl(url), m_documentUrl))
        return;
    m_ready = true;
    const QList<PendingCall> pending = std::exchange(m_pending, {});
    for (const PendingCall& call : pending)
        run(call);
    emit documentReady();
}

void WebContentPage::callFunction(const QString& function, const QVariantList& args, Answer answer)
{
    QString json = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromVariantList(args)).toJson(QJsonDocument::Compact));
    // Valid in JSON, but line ends to older script parsers.
    json.replace(QChar(0x2028), QStringLiteral("\\u2028"));
    json.replace(QChar(0x2029), QStringLiteral("\\u2029"));
    PendingCall call{m_generation, QStringLiteral("plumet.%1.apply(null, %2)").arg(function, json),
                     std::move(answer)};
    if (m_ready)
        run(call);
    else
        m_pending.append(std::move(call));
}

void WebContentPage::run(const PendingCall& call)
{
    QPointer<WebContentPage> self(this);
    const quint64 generation = call.generation;
    Answer answer = call.answer;
    runJavaScript(call.script, QWebEngineScript::ApplicationWorld,
                  [self, generation, answer](const QVariant& value) {
                      if (!self || self->m_generation != generation || !answer)
                          return;
                      answer(value);
                  });
}

bool WebContentPage::sameDocument(const QUrl& a, const QUrl& b)
{
    return a.adjusted(QUrl::RemoveFragment) == b.adjusted(QUrl::RemoveFragment);
}

bool WebContentPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (type == NavigationTypeFormSubmitted)
        return false;
    if (type == NavigationTypeLinkClicked) {
        // An anchor within the document scrolls; every other link leaves for the browser.
        if (sameDocument(url, m_documentUrl))
            return true;
        if (!m_linkHandler || !m_linkHandler(url))
            openInBrowser(url, this);
        return false;
    }
    if (!isMainFrame)
        return true; // frames the content embeds (a video player, a map)
    return sameDocument(url, m_documentUrl);
}

QWebEnginePage* WebContentPage::createWindow(WebWindowType)
{
    return new NewWindowCatcher(this);
}
