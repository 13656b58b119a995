#include "WebContent.h"

#include "ContentRequestFilter.h"
#include "WebContentLog.h"
#include "WebContentSchemeHandler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlScheme>

namespace {

const char SchemeName[] = "plumet-content";

void registerContentScheme()
{
    QWebEngineUrlScheme scheme(SchemeName);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Attachments of a post are shown from their local files.
    scheme.setFlags(QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

const char DictionariesVariable[] = "QTWEBENGINE_DICTIONARIES_PATH";

// Our converted dictionaries: installed beside the program, or in the build
// tree that holds it (programs and tests sit one level below its top).
QString ownDictionaryFolder()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const char* relative :
         {"../share/plumet/qtwebengine_dictionaries", "../qtwebengine_dictionaries"}) {
        const QString folder =
            QDir::cleanPath(programDir.absoluteFilePath(QLatin1String(relative)));
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return {};
}

// The engine reads the variable once, when it starts.
void pointEngineAtDictionaries()
{
    if (!qEnvironmentVariableIsEmpty(DictionariesVariable))
        return;
    const QString folder = ownDictionaryFolder();
    if (!folder.isEmpty())
        qputenv(DictionariesVariable, QFile::encodeName(folder));
}

// Downloads the user asked for and chose a place for, not yet started.
struct ExpectedDownload {
    QPointer<QWebEnginePage> page;
    QUrl url;
    QString path;
    QDeadlineTimer expiry;
};

QList<ExpectedDownload>& expectedDownloads()
{
    static QList<ExpectedDownload> expected;
    return expected;
}

constexpr std::chrono::minutes ExpectedDownloadLife{1};

void admitOrRefuse(QWebEngineDownloadRequest* download)
{
    QList<ExpectedDownload>& expected = expectedDownloads();
    expected.removeIf([](const ExpectedDownload& e) { return !e.page || e.expiry.hasExpired(); });
    qsizetype match = -1;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (expected[i].page != download->page())
            continue;
        if (match < 0 || expected[i].url == download->url())
            match = i;
    }
    if (match < 0) {
        qCInfo(lcWebContent) << "refused a download nobody asked for:"
                             << download->url().toString(QUrl::RemoveUserInfo | QUrl::RemoveQuery);
        download->cancel();
        return;
    }
    const ExpectedDownload chosen = expected.takeAt(match);
    const QFileInfo target(chosen.path);
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    qCInfo(lcWebContent) << "saving a download the user asked for at" << chosen.path;
    download->accept();
}

void startUp()
{
    registerContentScheme();
    pointEngineAtDictionaries();
}

} // namespace

// Runs while the application object is being made, before any web engine class
// can exist; later registrations would be ignored.
Q_COREAPP_STARTUP_FUNCTION(startUp)

QString WebContent::schemeName()
{
    return QString::fromLatin1(SchemeName);
}

QWebEngineProfile* WebContent::profile()
{
    schemeHandler();
    return QWebEngineProfile::defaultProfile();
}

WebContentSchemeHandler* WebContent::schemeHandler()
{
    // Qt's default profile is off the record.
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    static QPointer<WebContentSchemeHandler> handler;
    if (!handler) {
        handler = new WebContentSchemeHandler(profile);
        profile->installUrlSchemeHandler(SchemeName, handler);
        profile->setUrlRequestInterceptor(new ContentRequestFilter(handler));
        QObject::connect(profile, &QWebEngineProfile::downloadRequested, handler, &admitOrRefuse);
    }
    return handler;
}

QString WebContent::spellingDictionaryFolder()
{
    const QString named = qEnvironmentVariable(DictionariesVariable);
    if (!named.isEmpty())
        return named;
    // Where the engine looks by itself.
    for (const QString& folder :
         {QCoreApplication::applicationDirPath() + QStringLiteral("/qtwebengine_dictionaries"),
          QLibraryInfo::path(QLibraryInfo::DataPath) +
              QStringLiteral("/qtwebengine_dictionaries")}) {
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return {};
}

bool WebContent::setSpellChecking(bool enabled, const QString& code)
{
    const QString folder = spellingDictionaryFolder();
    const bool found = !code.isEmpty() && !folder.isEmpty() &&
                       QFileInfo::exists(QDir(folder).filePath(code + QStringLiteral(".bdic")));
    if (!found && enabled) {
        static QSet<QString> told;
        if (!told.contains(code)) {
            told.insert(code);
            qCWarning(lcWebContent).noquote()
                << QStringLiteral("No converted spelling dictionary \"%1\" in \"%2\": "
                                  "editable pages are not checked for spelling")
                       .arg(code, folder);
        }
    }
    QWebEngineProfile* engine = profile();
    const QStringList languages = found ? QStringList{code} : QStringList{};
    if (engine->spellCheckLanguages() != languages)
        engine->setSpellCheckLanguages(languages);
    if (engine->isSpellCheckEnabled() != (enabled && found))
        engine->setSpellCheckEnabled(enabled && found);
    return found;
}

QString WebContent::downloadFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty())
        folder = QDir::home().filePath(QStringLiteral("Downloads"));
    QDir().mkpath(folder);
    return folder;
}

void WebContent::expectDownload(QWebEnginePage* page, const QUrl& url, const QString& path)
{
    expectedDownloads().append(
        {page, url, path, QDeadlineTimer(std::chrono::milliseconds(ExpectedDownloadLife))});
}

bool WebContent::isUsableBase(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QString WebContent::contentSecurityPolicy()
{
    return QStringLiteral("script-src 'none'; object-src 'none'");
}

QByteArray WebContent::preparedDocument(const QString& html, bool isPostContent,
                                        const QUrl& baseUrl, bool allowFrames)
{
    QString head = QStringLiteral("<meta charset=\"utf-8\">");
    if (isPostContent) {
        QString policy = contentSecurityPolicy();
        if (!allowFrames)
            policy += QStringLiteral("; frame-src 'none'; child-src 'none'");
        head += QStringLiteral("<meta http-equiv=\"Content-Security-Policy\" content=\"%1\">")
                    .arg(policy);
    }
    if (isUsableBase(baseUrl))
        head += QStringLiteral("<base href=\"%1\">")
                    .arg(QString::fromLatin1(baseUrl.toEncoded()).toHtmlEscaped());
    // A <meta> before the doctype would throw the page into quirks mode.
    static const QRegularExpression doctype(QStringLiteral("\\A\\s*<!doctype[^>]*>"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = doctype.match(html);
    const qsizetype at = match.hasMatch() ? match.capturedEnd() : 0;
    QString document = html;
    document.insert(at, head);
    return document.toUtf8();
}
