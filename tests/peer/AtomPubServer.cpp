#include "AtomPubServer.h"

#include "PeerProcess.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>

using namespace std::chrono_literals;

namespace {

constexpr auto ReadyLimit = 20s;
const QString Script = QStringLiteral(PLUMET_PEER_SOURCE_DIR "/atompub-peer.pl");
const QString LogFile = QStringLiteral("server.log");

} // namespace

AtomPubServer::AtomPubServer(QObject* parent)
    : QObject(parent), m_root(QDir::tempPath() + QStringLiteral("/plumet-atompub-XXXXXX")),
      m_process(new plumet::test::PeerProcess(this))
{
}

AtomPubServer::~AtomPubServer()
{
    stop();
}

QString AtomPubServer::path(const QString& relative) const
{
    return m_root.filePath(relative);
}

bool AtomPubServer::fail(const QString& reason)
{
    m_problem = reason;
    return false;
}

bool AtomPubServer::start()
{
    if (!m_root.isValid())
        return fail(QStringLiteral("No temporary folder: %1").arg(m_root.errorString()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PEER_PASSWORD"), password());
    // Perl reads the password's bytes; keep them UTF-8 whatever the locale.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const QStringList arguments{Script,
                                QStringLiteral("--data"),
                                path(QStringLiteral("data")),
                                QStringLiteral("--user"),
                                username(),
                                QStringLiteral("--title"),
                                blogTitle()};
    if (!m_process->start(QStringLiteral("perl"), arguments, path(LogFile), m_root.path(),
                          environment))
        return fail(m_process->problem());

    // The server binds a free port itself and names it, so no other process
    // can take the port between choosing and binding it.
    static const QRegularExpression ready(QStringLiteral("atompub-peer ready on [0-9.]+:(\\d+)"));
    const bool listening = m_process->waitUntil(
        [this] {
            const QRegularExpressionMatch match =
                ready.match(plumet::test::fileText(path(LogFile)));
            if (match.hasMatch())
                m_port = match.captured(1).toUShort();
            return m_port != 0;
        },
        ReadyLimit);
    return listening || fail(m_process->problem());
}

void AtomPubServer::stop()
{
    m_process->stop();
}

QUrl AtomPubServer::serviceUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/atom").arg(m_port));
}

QUrl AtomPubServer::collectionUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/atom/blog").arg(m_port));
}

QUrl AtomPubServer::entryUrl(const QString& id) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/atom/blog/%2").arg(m_port).arg(id));
}

QUrl AtomPubServer::categoriesUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/atom/blog/categories").arg(m_port));
}

QUrl AtomPubServer::mediaCollectionUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/atom/media").arg(m_port));
}

bool AtomPubServer::setDeletesFail(bool fail)
{
    QFile marker(path(QStringLiteral("data/fail-delete")));
    if (!fail)
        return !marker.exists() || marker.remove();
    return marker.open(QIODevice::WriteOnly);
}

QStringList AtomPubServer::storedEntryIds() const
{
    QStringList ids;
    const QStringList files =
        QDir(path(QStringLiteral("data/entries"))).entryList({QStringLiteral("*.xml")});
    for (const QString& file : files)
        ids << file.chopped(4);
    std::sort(ids.begin(), ids.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    return ids;
}

QByteArray AtomPubServer::storedEntry(const QString& id) const
{
    return plumet::test::fileBytes(path(QStringLiteral("data/entries/%1.xml").arg(id)));
}

QString AtomPubServer::problem() const
{
    return m_problem + QLatin1Char('\n') + logs();
}

QString AtomPubServer::logs() const
{
    return QStringLiteral("--- AtomPub peer log ---\n") +
           plumet::test::tail(plumet::test::fileText(path(LogFile)), 30);
}
