#include "WordPressServer.h"

#include "PeerProcess.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcessEnvironment>
#include <QThread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QString WordPressFiles = QStringLiteral("/usr/share/wordpress");
const QString CacheRoot = QStringLiteral(PLUMET_PEER_CACHE_DIR);
// A Unix socket path must fit in sockaddr_un.
constexpr qsizetype MaximumSocketPath = 100;
constexpr auto StepLimit = 60s;
constexpr auto ListenLimit = 15s;
// Long enough for another test program to build the cached database.
constexpr auto CacheLockLimit = 180s;
constexpr auto CleanShutdownLimit = 60s;
constexpr int PortAttempts = 5;
// Raise when the way the database is installed changes, so that caches of the
// old way are not used.
constexpr int InstallRecipe = 1;

// A PHP single-quoted string literal.
QString phpString(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

bool writeText(const QString& path, const QString& text)
{
    return plumet::test::writeFile(path, text.toUtf8());
}

// What the cached database depends on: the WordPress and MariaDB installed,
// and how this class installs them.
QString cacheKey(const QStringList& recipe)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(
        plumet::test::fileBytes(WordPressFiles + QStringLiteral("/wp-includes/version.php")));
    for (const QString& program : {QStringLiteral("mariadbd"), QStringLiteral("php")}) {
        const QFileInfo binary(plumet::test::findProgram(program));
        hash.addData(QStringLiteral("%1 %2 %3")
                         .arg(binary.filePath())
                         .arg(binary.size())
                         .arg(binary.lastModified().toSecsSinceEpoch())
                         .toUtf8());
    }
    hash.addData(recipe.join(QLatin1Char('\n')).toUtf8());
    return QString::fromLatin1(hash.result().toHex().left(16));
}

} // namespace

WordPressServer::WordPressServer(QObject* parent)
    : QObject(parent), m_root(QDir::tempPath() + QStringLiteral("/plumet-wp-XXXXXX")),
      m_database(new plumet::test::PeerProcess(this)), m_web(new plumet::test::PeerProcess(this))
{
}

WordPressServer::~WordPressServer()
{
    stop();
}

QString WordPressServer::path(const QString& relative) const
{
    return m_root.filePath(relative);
}

QUrl WordPressServer::siteUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port));
}

QUrl WordPressServer::xmlrpcUrl() const
{
    return siteUrl().resolved(QUrl(QStringLiteral("xmlrpc.php")));
}

bool WordPressServer::fail(const QString& reason)
{
    m_problem = reason;
    return false;
}

QString WordPressServer::problem() const
{
    return m_problem + QLatin1Char('\n') + logs();
}

QString WordPressServer::logs() const
{
    return QStringLiteral("--- database log ---\n%1\n--- web server log ---\n%2")
        .arg(plumet::test::tail(plumet::test::fileText(path(QStringLiteral("db.err"))), 30),
             plumet::test::tail(plumet::test::fileText(path(QStringLiteral("web.log"))), 30));
}

bool WordPressServer::start()
{
    if (!m_root.isValid())
        return fail(QStringLiteral("No temporary folder: %1").arg(m_root.errorString()));
    if (path(QStringLiteral("db.sock")).size() > MaximumSocketPath)
        return fail(QStringLiteral("The temporary folder's path is too long for a socket: %1")
                        .arg(m_root.path()));
    if (!QFileInfo::exists(WordPressFiles + QStringLiteral("/xmlrpc.php")))
        return fail(QStringLiteral("WordPress is not installed in %1").arg(WordPressFiles));
    m_port = plumet::test::freeLoopbackPort();
    if (!writeSite() || !writeConfig())
        return false;

    // Not the temporary folder's name, which is new every time.
    QStringList recipe = databaseOptions(QString());
    recipe.removeIf(
        [](const QString& option) { return option.startsWith(QLatin1String("--tmpdir")); });
    const QString key = cacheKey(recipe << QString::number(InstallRecipe) << username()
                                        << password() << blogTitle());
    const QString cached = CacheRoot + QStringLiteral("/wordpress-") + key;
    if (!makeInstalledDatabase(cached))
        return false;
    if (!plumet::test::copyTree(cached + QStringLiteral("/db"), path(QStringLiteral("db"))))
        return fail(QStringLiteral("Cannot copy the installed database from %1").arg(cached));
    return startDatabase(path(QStringLiteral("db"))) && serve();
}

void WordPressServer::stop()
{
    // The data is thrown away with the folder, so nothing needs a clean shutdown.
    m_web->stop(0ms);
    m_database->stop(0ms);
}

// The files of a database with WordPress installed, built once per build tree
// and cache key; concurrent test programs wait for the one that builds them.
bool WordPressServer::makeInstalledDatabase(const QString& cacheFolder)
{
    const QString complete = cacheFolder + QStringLiteral("/complete");
    if (QFileInfo::exists(complete))
        return true;
    if (!QDir().mkpath(CacheRoot))
        return fail(QStringLiteral("Cannot make the peer cache %1").arg(CacheRoot));
    QLockFile lock(CacheRoot + QStringLiteral("/wordpress.lock"));
    lock.setStaleLockTime(0); // a lock whose process has died is stale, however young
    // QLockFile's own wait doubles its pauses up to seconds; poll steadily instead.
    const QDeadlineTimer deadline(CacheLockLimit);
    while (!lock.tryLock(0)) {
        if (deadline.hasExpired())
            return fail(QStringLiteral("Another test holds the peer cache lock too long"));
        QThread::msleep(50);
    }
    if (QFileInfo::exists(complete))
        return true;

    const QString staging = cacheFolder + QStringLiteral(".staging");
    QDir(staging).removeRecursively(); // left by a test killed while building
    QDir(cacheFolder).removeRecursively();
    const bool built =
        buildInstalledDatabase(staging + QStringLiteral("/db")) &&
        plumet::test::writeFile(staging + QStringLiteral("/complete"), "installed\n") &&
        QDir().rename(staging, cacheFolder);
    if (!built) {
        QDir(staging).removeRecursively();
        return m_problem.isEmpty()
                   ? fail(QStringLiteral("Cannot fill the peer cache %1").arg(cacheFolder))
                   : false;
    }
    return true;
}

bool WordPressServer::buildInstalledDatabase(const QString& dataFolder)
{
    if (!installDatabase(dataFolder) || !startDatabase(dataFolder) || !installBlog())
        return false;
    // Files copied from a cleanly stopped server need no recovery when started.
    m_database->stop(CleanShutdownLimit);
    return true;
}

QStringList WordPressServer::databaseOptions(const QString& dataFolder) const
{
    QStringList options{QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + dataFolder,
                        // In the shared /tmp, concurrent set-ups collide on temporary table names.
                        QStringLiteral("--tmpdir=") + m_root.path(),
                        // The default redo log alone is 96 MB, copied for every test.
                        QStringLiteral("--innodb-log-file-size=4M"),
                        QStringLiteral("--innodb-buffer-pool-size=16M"),
                        // Written out in full at every start otherwise.
                        QStringLiteral("--innodb-temp-data-file-path=ibtmp1:1M:autoextend"),
                        QStringLiteral("--skip-name-resolve")};
    if (::geteuid() == 0)
        options << QStringLiteral("--user=root");
    return options;
}

bool WordPressServer::installDatabase(const QString& dataFolder)
{
    const QStringList arguments = databaseOptions(dataFolder)
                                  << QStringLiteral("--auth-root-authentication-method=normal")
                                  << QStringLiteral("--skip-test-db");
    QByteArray output;
    return plumet::test::runToEnd(QStringLiteral("mariadb-install-db"), arguments, m_root.path(),
                                  StepLimit, &output, &m_problem);
}

bool WordPressServer::startDatabase(const QString& dataFolder)
{
    const QString socket = path(QStringLiteral("db.sock"));
    const QString errors = path(QStringLiteral("db.err"));
    QFile::remove(socket);
    QFile::remove(errors);
    const QStringList arguments = databaseOptions(dataFolder)
                                  << QStringLiteral("--socket=") + socket
                                  << QStringLiteral("--pid-file=") + path(QStringLiteral("db.pid"))
                                  << QStringLiteral("--log-error=") + errors
                                  << QStringLiteral("--skip-networking")
                                  << QStringLiteral("--innodb-flush-log-at-trx-commit=0");
    if (!m_database->start(QStringLiteral("mariadbd"), arguments, path(QStringLiteral("db.out")),
                           m_root.path()))
        return fail(m_database->problem());
    const bool ready = m_database->waitUntil(
        [&] {
            return QFileInfo::exists(socket) &&
                   plumet::test::fileText(errors).contains(QLatin1String("ready for connections"));
        },
        StepLimit);
    return ready || fail(m_database->problem() + QLatin1Char('\n') +
                         plumet::test::fileText(path(QStringLiteral("db.out"))));
}

bool WordPressServer::writeSite()
{
    // Our own copies of the entry scripts, so that they find our wp-config.php
    // and not Debian's (a linked script would resolve its folder to the original).
    QDir site(path(QStringLiteral("site")));
    if (!site.mkpath(QStringLiteral("wp-content/uploads")))
        return fail(QStringLiteral("Cannot make the site folder"));
    const QDir original(WordPressFiles);
    for (const QString& script : original.entryList({QStringLiteral("*.php")}, QDir::Files)) {
        if (script.startsWith(QLatin1String("wp-config")))
            continue;
        if (!QFile::copy(original.filePath(script), site.filePath(script)))
            return fail(QStringLiteral("Cannot copy %1").arg(script));
    }
    for (const QString& folder : {QStringLiteral("wp-admin"), QStringLiteral("wp-includes")}) {
        if (!QFile::link(original.filePath(folder), site.filePath(folder)))
            return fail(QStringLiteral("Cannot link %1").arg(folder));
    }
    return true;
}

// The addresses live here, not in the database, so one installed database
// serves every port.
bool WordPressServer::writeConfig()
{
    const QString site = path(QStringLiteral("site"));
    const QString address = siteUrl().toString(QUrl::StripTrailingSlash);
    const QString config =
        QStringLiteral("<?php\n"
                       "define('DB_NAME', 'wordpress');\n"
                       "define('DB_USER', 'root');\n"
                       "define('DB_PASSWORD', '');\n"
                       "define('DB_HOST', %1);\n"
                       "define('DB_CHARSET', 'utf8mb4');\n"
                       "define('DB_COLLATE', '');\n"
                       "$table_prefix = 'wp_';\n"
                       "define('WP_HOME', %2);\n"
                       "define('WP_SITEURL', %2);\n"
                       "define('WP_CONTENT_DIR', %3);\n"
                       "define('WP_CONTENT_URL', %4);\n"
                       "define('DISABLE_WP_CRON', true);\n"
                       "define('WP_HTTP_BLOCK_EXTERNAL', true);\n"
                       "define('AUTOMATIC_UPDATER_DISABLED', true);\n"
                       "define('WP_DEBUG', false);\n"
                       "if (!defined('ABSPATH')) define('ABSPATH', %5);\n"
                       "require_once ABSPATH . 'wp-settings.php';\n")
            .arg(phpString(QStringLiteral("localhost:") + path(QStringLiteral("db.sock"))),
                 phpString(address), phpString(site + QStringLiteral("/wp-content")),
                 phpString(address + QStringLiteral("/wp-content")),
                 phpString(site + QLatin1Char('/')));
    if (!writeText(site + QStringLiteral("/wp-config.php"), config))
        return fail(QStringLiteral("Cannot write wp-config.php"));
    return true;
}

bool WordPressServer::installBlog()
{
    const QString script =
        QStringLiteral("<?php\n"
                       "mysqli_report(MYSQLI_REPORT_ERROR | MYSQLI_REPORT_STRICT);\n"
                       "$db = new mysqli(null, 'root', '', '', 0, %1);\n"
                       "$db->query('CREATE DATABASE wordpress CHARACTER SET utf8mb4 COLLATE "
                       "utf8mb4_unicode_ci');\n"
                       "$db->close();\n"
                       "define('WP_INSTALLING', true);\n"
                       "// There is no mail here; WordPress lets us replace its notice.\n"
                       "function wp_new_blog_notification() {}\n"
                       "$_SERVER['HTTP_HOST'] = '127.0.0.1';\n"
                       "require %2;\n"
                       "require_once ABSPATH . 'wp-admin/includes/upgrade.php';\n"
                       "$result = wp_install(%3, %4, 'peer@example.invalid', false, '', %5);\n"
                       "echo 'installed user ', $result['user_id'], \"\\n\";\n")
            .arg(phpString(path(QStringLiteral("db.sock"))),
                 phpString(path(QStringLiteral("site/wp-load.php"))), phpString(blogTitle()),
                 phpString(username()), phpString(password()));
    QByteArray output;
    if (!runPhp(script, &output))
        return false;
    if (!output.contains("installed user 1"))
        return fail(
            QStringLiteral("WordPress was not installed:\n%1").arg(QString::fromUtf8(output)));
    return true;
}

bool WordPressServer::runInWordPress(const QString& phpCode, QString* output)
{
    if (!m_web->isRunning())
        return fail(QStringLiteral("WordPress is not running"));
    const QString script = QStringLiteral("<?php\n"
                                          "$_SERVER['HTTP_HOST'] = '127.0.0.1';\n"
                                          "require %1;\n"
                                          "wp_set_current_user(1);\n"
                                          "?>")
                               .arg(phpString(path(QStringLiteral("site/wp-load.php")))) +
                           (phpCode.trimmed().startsWith(QLatin1String("<?php"))
                                ? phpCode.trimmed()
                                : QStringLiteral("<?php\n") + phpCode);
    QByteArray printed;
    const bool ran = runPhp(script, &printed);
    if (output)
        *output = QString::fromUtf8(printed);
    return ran;
}

bool WordPressServer::runPhp(const QString& script, QByteArray* output)
{
    const QString file = path(QStringLiteral("script-%1.php").arg(++m_scripts));
    if (!writeText(file, script))
        return fail(QStringLiteral("Cannot write %1").arg(file));
    return plumet::test::runToEnd(QStringLiteral("php"), {file}, m_root.path(), StepLimit, output,
                                  &m_problem);
}

bool WordPressServer::serve()
{
    // Another test may take the free port before PHP binds it; try another.
    for (int attempt = 0; attempt < PortAttempts; ++attempt) {
        if (attempt > 0) {
            m_port = plumet::test::freeLoopbackPort();
            if (!writeConfig())
                return false;
        }
        if (startWebServer())
            return true;
        if (!plumet::test::fileText(path(QStringLiteral("web.log")))
                 .contains(QLatin1String("Address already in use")))
            return false;
    }
    return false;
}

bool WordPressServer::startWebServer()
{
    const QString log = path(QStringLiteral("web.log"));
    QFile::remove(log);
    if (!m_web->start(QStringLiteral("php"),
                      // Media of tens of megabytes arrive as Base64 in one XML-RPC body.
                      {QStringLiteral("-d"), QStringLiteral("post_max_size=256M"),
                       QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port),
                       QStringLiteral("-t"), path(QStringLiteral("site"))},
                      log, m_root.path()))
        return fail(m_web->problem());
    const bool listening = m_web->waitUntil(
        [&] {
            const QString text = plumet::test::fileText(log);
            return text.contains(QLatin1String("Development Server")) &&
                   text.contains(QLatin1String("started"));
        },
        ListenLimit);
    return listening || fail(m_web->problem());
}
