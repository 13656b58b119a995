#include "WordPressServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QString WordPressFiles = QStringLiteral("/usr/share/wordpress");
// A Unix socket path must fit in sockaddr_un.
constexpr qsizetype MaximumSocketPath = 100;
constexpr auto StepLimit = 60s;
constexpr auto ListenLimit = 15s;
constexpr int PortAttempts = 5;

QString findProgram(const QString& name)
{
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"),
                                                      QStringLiteral("/usr/local/sbin"),
                                                      QStringLiteral("/sbin")});
    return found;
}

// A PHP single-quoted string literal.
QString phpString(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString tail(const QString& text, int lines)
{
    QStringList all = text.split(QLatin1Char('\n'));
    if (all.size() > lines)
        all = all.mid(all.size() - lines);
    return all.join(QLatin1Char('\n'));
}

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

WordPressServer::WordPressServer(QObject* parent)
    : QObject(parent), m_root(QDir::tempPath() + QStringLiteral("/plumet-wp-XXXXXX"))
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
        .arg(tail(fileText(path(QStringLiteral("db.err"))), 30),
             tail(fileText(path(QStringLiteral("web.log"))), 30));
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
    m_port = freeLoopbackPort();
    return installDatabase() && startDatabase() && writeSite() && writeConfig() && installBlog() &&
           serve();
}

void WordPressServer::stop()
{
    // The data is thrown away with the folder, so nothing needs a clean shutdown.
    for (QProcess* process : {m_web, m_database}) {
        if (process && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
}

QProcess* WordPressServer::newProcess()
{
    auto* process = new QProcess(this);
    // Servers must not outlive a test process that is killed on a time-out.
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->setWorkingDirectory(m_root.path());
    return process;
}

bool WordPressServer::runToEnd(const QString& program, const QStringList& arguments,
                               std::chrono::milliseconds limit, QByteArray* output)
{
    const QString executable = findProgram(program);
    if (executable.isEmpty())
        return fail(QStringLiteral("%1 is not installed").arg(program));
    QProcess* process = newProcess();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(executable, arguments);
    const bool ended = process->waitForFinished(static_cast<int>(limit.count()));
    *output = process->readAll();
    if (!ended) {
        process->kill();
        process->waitForFinished(5000);
    }
    const bool succeeded =
        ended && process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    process->deleteLater();
    if (!succeeded)
        return fail(QStringLiteral("%1 %2:\n%3")
                        .arg(program,
                             ended ? QStringLiteral("failed") : QStringLiteral("timed out"),
                             QString::fromUtf8(*output)));
    return true;
}

QStringList WordPressServer::databaseOptions() const
{
    QStringList options{
        QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + path(QStringLiteral("db")),
        // In the shared /tmp, concurrent set-ups collide on temporary table names.
        QStringLiteral("--tmpdir=") + m_root.path(),
        // The default redo log alone is 96 MB, left behind if a test is killed.
        QStringLiteral("--innodb-log-file-size=4M"),
        QStringLiteral("--innodb-buffer-pool-size=16M"), QStringLiteral("--skip-name-resolve")};
    if (::geteuid() == 0)
        options << QStringLiteral("--user=root");
    return options;
}

bool WordPressServer::installDatabase()
{
    const QStringList arguments = databaseOptions()
                                  << QStringLiteral("--auth-root-authentication-method=normal")
                                  << QStringLiteral("--skip-test-db");
    QByteArray output;
    return runToEnd(QStringLiteral("mariadb-install-db"), arguments, StepLimit, &output);
}

bool WordPressServer::startDatabase()
{
    const QString executable = findProgram(QStringLiteral("mariadbd"));
    if (executable.isEmpty())
        return fail(QStringLiteral("mariadbd is not installed"));
    const QStringList arguments = databaseOptions()
                                  << QStringLiteral("--socket=") + path(QStringLiteral("db.sock"))
                                  << QStringLiteral("--pid-file=") + path(QStringLiteral("db.pid"))
                                  << QStringLiteral("--log-error=") + path(QStringLiteral("db.err"))
                                  << QStringLiteral("--skip-networking")
                                  << QStringLiteral("--innodb-flush-log-at-trx-commit=0");
    m_database = newProcess();
    m_database->setStandardOutputFile(path(QStringLiteral("db.out")));
    m_database->setStandardErrorFile(path(QStringLiteral("db.out")), QIODevice::Append);
    m_database->start(executable, arguments);
    if (!m_database->waitForStarted(10000))
        return fail(QStringLiteral("mariadbd did not start: %1").arg(m_database->errorString()));

    const QDeadlineTimer deadline(StepLimit);
    while (!deadline.hasExpired()) {
        if (m_database->waitForFinished(100))
            return fail(QStringLiteral("mariadbd stopped at start-up:\n%1")
                            .arg(fileText(path(QStringLiteral("db.out")))));
        if (QFileInfo::exists(path(QStringLiteral("db.sock"))) &&
            fileText(path(QStringLiteral("db.err")))
                .contains(QLatin1String("ready for connections")))
            return true;
    }
    return fail(QStringLiteral("mariadbd was not ready in time"));
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
    if (!writeFile(site + QStringLiteral("/wp-config.php"), config))
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
    if (!writeFile(path(QStringLiteral("install.php")), script))
        return fail(QStringLiteral("Cannot write the install script"));
    QByteArray output;
    if (!runToEnd(QStringLiteral("php"), {path(QStringLiteral("install.php"))}, StepLimit, &output))
        return false;
    if (!output.contains("installed user 1"))
        return fail(
            QStringLiteral("WordPress was not installed:\n%1").arg(QString::fromUtf8(output)));
    return true;
}

bool WordPressServer::serve()
{
    // Another test may take the free port before PHP binds it; try another.
    for (int attempt = 0; attempt < PortAttempts; ++attempt) {
        if (attempt > 0) {
            m_port = freeLoopbackPort();
            if (!writeConfig())
                return false;
        }
        if (startWebServer())
            return true;
        if (!fileText(path(QStringLiteral("web.log")))
                 .contains(QLatin1String("Address already in use")))
            return false;
    }
    return false;
}

bool WordPressServer::startWebServer()
{
    const QString executable = findProgram(QStringLiteral("php"));
    if (executable.isEmpty())
        return fail(QStringLiteral("php is not installed"));
    if (m_web) {
        m_web->deleteLater();
        m_web = nullptr;
    }
    QFile::remove(path(QStringLiteral("web.log")));
    m_web = newProcess();
    m_web->setProcessChannelMode(QProcess::MergedChannels);
    m_web->setStandardOutputFile(path(QStringLiteral("web.log")));
    m_web->start(executable, {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port),
                              QStringLiteral("-t"), path(QStringLiteral("site"))});
    if (!m_web->waitForStarted(10000))
        return fail(QStringLiteral("php did not start: %1").arg(m_web->errorString()));

    const QDeadlineTimer deadline(ListenLimit);
    while (!deadline.hasExpired()) {
        if (m_web->waitForFinished(50))
            return fail(QStringLiteral("The web server stopped at start-up"));
        const QString log = fileText(path(QStringLiteral("web.log")));
        if (log.contains(QLatin1String("Development Server")) &&
            log.contains(QLatin1String("started")))
            return true;
    }
    return fail(QStringLiteral("The web server did not listen in time"));
}
