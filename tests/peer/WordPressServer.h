#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <chrono>

class QProcess;

// A private WordPress on loopback for peer tests: its own MariaDB on a Unix
// socket in a temporary folder, a site folder linked to Debian's WordPress
// files with a wp-config.php of its own, and PHP's built-in web server on a
// free port. Nothing outside the temporary folder is touched; every process
// is stopped when the fixture goes away, and dies with the test process.
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

    // Why start() failed, followed by the tails of the servers' logs.
    QString problem() const;
    // The tails of the database's and the web server's logs.
    QString logs() const;

private:
    bool fail(const QString& reason);
    // Options shared by the set-up and the server; --no-defaults comes first.
    QStringList databaseOptions() const;
    bool installDatabase();
    bool startDatabase();
    bool writeSite();
    bool writeConfig();
    bool installBlog();
    bool serve();
    bool startWebServer();
    QProcess* newProcess();
    bool runToEnd(const QString& program, const QStringList& arguments,
                  std::chrono::milliseconds limit, QByteArray* output);
    QString path(const QString& relative) const;

    QTemporaryDir m_root;
    QString m_problem;
    QProcess* m_database = nullptr;
    QProcess* m_web = nullptr;
    quint16 m_port = 0;
};
