#include "OutsideRequests.h"

#include "AppLog.h"
#include "BlogController.h"
#include "BusBounds.h"
#include "Entry.h"
#include "PluginInstaller.h"
#include "WeblocFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <utility>

OutsideRequests::OutsideRequests(QObject* parent) : QObject(parent) {}

OutsideRequests::~OutsideRequests() = default;

void OutsideRequests::setBlogController(BlogController* window)
{
    m_window = window;
}

void OutsideRequests::setPluginInstaller(PluginInstaller* installer)
{
    m_installer = installer;
}

void OutsideRequests::startHandling()
{
    m_handling = true;
    m_pendingCharacters = 0;
    const QList<Pending> waiting = std::exchange(m_pending, {});
    for (const Pending& pending : waiting)
        handle(pending);
}

void OutsideRequests::queueOrHandle(Pending pending)
{
    if (m_handling) {
        handle(pending);
        return;
    }
    // A launch that takes long (the first run's welcome) holds only so much.
    const qsizetype characters = pending.text.size() + BusBounds::fieldsLength(pending.item);
    if (m_pending.size() >= BusBounds::MaxWaitingRequests ||
        m_pendingCharacters + characters > BusBounds::MaxWaitingCharacters) {
        qCWarning(lcApp) << "a request from outside is dropped:" << m_pending.size()
                         << "wait for the launch already";
        return;
    }
    m_pendingCharacters += characters;
    m_pending.append(std::move(pending));
}

void OutsideRequests::openUrl(const QString& url)
{
    if (url.isEmpty())
        return;
    queueOrHandle({Pending::Kind::Url, url, {}});
}

void OutsideRequests::openFile(const QString& path)
{
    if (path.isEmpty())
        return;
    queueOrHandle({Pending::Kind::File, path, {}});
}

void OutsideRequests::newDraftWithText(const QString& text)
{
    if (text.isEmpty())
        return;
    queueOrHandle({Pending::Kind::Text, text, {}});
}

void OutsideRequests::newDraftWithItem(const QVariantMap& item)
{
    queueOrHandle({Pending::Kind::Item, {}, item});
}

void OutsideRequests::handle(const Pending& pending)
{
    switch (pending.kind) {
    case Pending::Kind::Url:
        processURL(pending.text);
        break;
    case Pending::Kind::File:
        handleOpenFile(pending.text);
        break;
    case Pending::Kind::Text:
        if (m_window) {
            QMimeData data;
            data.setText(pending.text);
            m_window->newDraftWithPasteboard(&data);
        }
        break;
    case Pending::Kind::Item:
        if (m_window)
            m_window->newDraftWithItem(pending.item);
        break;
    }
}

void OutsideRequests::processURL(const QString& url)
{
    qCDebug(lcApp).noquote() << "handling the address" << url.left(200);
    if (url.startsWith(QLatin1String("plumet3:"))) {
        if (m_window)
            m_window->newDraftWithUrl(url);
        return;
    }
    if (url.startsWith(QLatin1String("x-blogpost:"))) {
        QString rest = url.mid(11);
        if (rest.startsWith(QLatin1String("//")))
            rest = rest.mid(2);
        const QStringList parts = rest.split(QLatin1Char('@'));
        if (parts.size() != 2)
            return;
        Entry::postOpenRequest(QVariantMap{{QStringLiteral("entry"), parts[0]},
                                           {QStringLiteral("account"), parts[1]},
                                           {QStringLiteral("file"), true}});
    }
}

bool OutsideRequests::handleOpenFile(const QString& path)
{
    qCDebug(lcApp).noquote() << "handling the file" << path;
    const QFileInfo info(QDir::cleanPath(path));
    if (info.suffix() == QLatin1String(WeblocFile::extension)) {
        const QString address = WeblocFile::address(info.filePath());
        if (!address.isNull())
            processURL(address);
        return true;
    }
    if (info.suffix().compare(QLatin1String("plumet"), Qt::CaseInsensitive) == 0) {
        // Entry files lie in <account>/<blog>/<entry>.plumet.
        Entry::postOpenRequest(
            QVariantMap{{QStringLiteral("entry"), info.completeBaseName()},
                        {QStringLiteral("account"), QFileInfo(info.path()).dir().dirName()},
                        {QStringLiteral("file"), true}});
        return true;
    }
    return m_installer && m_installer->install(info.filePath());
}
