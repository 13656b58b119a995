#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace plumet::test {
class PeerProcess;
}

// A private WordPress 6.1 on loopback for peer tests: its own MariaDB on a
// Unix socket in a temporary folder, a site folder built from Debian's
// WordPress files with a wp-config.php of its own, and PHP's built-in web
// server on a free port. Each instance has its own folder, database and port,
// so any number of test programs may run one at the same time. Nothing outside
// the temporary folder and the build tree's peer cache is touched; every
// process is stopped when the object goes away, and dies with the test process.
//
//   WordPressServer server;
//   QVERIFY2(server.start(), qPrintable(server.problem()));
//   // XML-RPC endpoint: server.xmlrpcUrl(); login: username() / password()
//
// Installing MariaDB's system tables and WordPress takes seconds, so the first
// start in a build tree keeps the installed database's files in the peer cache
// (one copy per WordPress and MariaDB version) and every later start copies
// them: a start then takes about a second.
class WordPressServer : public QObject {
    Q_OBJECT
public:
    explicit WordPressServer(QObject* parent = nullptr);
    ~WordPressServer() override;

    // Sets up and starts everything; false, with the reason in problem(),
    // when a step fails or runs out of time.
    bool start();
    void stop();

    QUrl siteUrl() const;
    QUrl xmlrpcUrl() const;
    QString username() const { return QStringLiteral("peer-admin"); }
    // Needs escaping in XML and is not ASCII, so the login proves the encoder.
    QString password() const { return QStringLiteral("s3cret & <pässword>"); }
    QString blogTitle() const { return QStringLiteral("Peer Blog"); }

    // Runs PHP code inside the running site (WordPress loaded, as the admin
    // user), e.g. to make many posts at once or change the blog behind the
    // client's back. `output` gets what the code printed. False, with the
    // reason in problem(), when PHP fails.
    bool runInWordPress(const QString& phpCode, QString* output = nullptr);

    // Why start() failed, followed by the tails of the servers' logs.
    QString problem() const;
    // The tails of the database's and the web server's logs.
    QString logs() const;

private:
    bool fail(const QString& reason);
    QString path(const QString& relative) const;
    // Options shared by the set-up and the server; --no-defaults comes first.
    QStringList databaseOptions(const QString& dataFolder) const;
    bool makeInstalledDatabase(const QString& cacheFolder);
    bool buildInstalledDatabase(const QString& dataFolder);
    bool installDatabase(const QString& dataFolder);
    bool startDatabase(const QString& dataFolder);
    bool writeSite();
    bool writeConfig();
    bool installBlog();
    bool serve();
    bool startWebServer();
    bool runPhp(const QString& script, QByteArray* output);

    QTemporaryDir m_root;
    QString m_problem;
    plumet::test::PeerProcess* m_database = nullptr;
    plumet::test::PeerProcess* m_web = nullptr;
    quint16 m_port = 0;
    int m_scripts = 0;
};
