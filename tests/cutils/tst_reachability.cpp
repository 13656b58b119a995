#include "Reachability.h"

#include <QTest>

using Reachability = QNetworkInformation::Reachability;
using SystemState = std::optional<Reachability>;

Q_DECLARE_METATYPE(SystemState)

class tst_Reachability : public QObject {
    Q_OBJECT

private slots:
    void hostReachable_data();
    void hostReachable();
    void urlWithoutHostIsOffline_data();
    void urlWithoutHostIsOffline();
    void loopbackTextIsOnline_data();
    void loopbackTextIsOnline();
    void systemThatCannotTellCountsAsOnline();
};

void tst_Reachability::hostReachable_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<SystemState>("state");
    QTest::addColumn<bool>("reachable");
    const QString server = QStringLiteral("blog.example.org");
    QTest::newRow("no backend") << server << SystemState() << true;
    QTest::newRow("unknown") << server << SystemState(Reachability::Unknown) << true;
    QTest::newRow("disconnected") << server << SystemState(Reachability::Disconnected) << false;
    QTest::newRow("local network") << server << SystemState(Reachability::Local) << true;
    QTest::newRow("site") << server << SystemState(Reachability::Site) << true;
    QTest::newRow("online") << server << SystemState(Reachability::Online) << true;
    QTest::newRow("localhost while disconnected")
        << "LocalHost" << SystemState(Reachability::Disconnected) << true;
    QTest::newRow("loopback v4 while disconnected")
        << "127.0.0.1" << SystemState(Reachability::Disconnected) << true;
    QTest::newRow("loopback v6 while disconnected")
        << "::1" << SystemState(Reachability::Disconnected) << true;
    QTest::newRow("no host") << QString() << SystemState(Reachability::Online) << false;
}

void tst_Reachability::hostReachable()
{
    QFETCH(QString, host);
    QFETCH(SystemState, state);
    QFETCH(bool, reachable);
    QCOMPARE(cutils::isHostReachable(host, state), reachable);
}

void tst_Reachability::urlWithoutHostIsOffline_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("words") << QStringLiteral("not an address");
    QTest::newRow("file") << QStringLiteral("file:///tmp/entry.html");
    QTest::newRow("relative") << QStringLiteral("/xmlrpc.php");
}

void tst_Reachability::urlWithoutHostIsOffline()
{
    QFETCH(QString, text);
    QVERIFY(!cutils::isOnline(text));
    QVERIFY(!cutils::isURLOnline(QUrl(text)));
}

void tst_Reachability::loopbackTextIsOnline_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("http://127.0.0.1:8080/xmlrpc.php");
    QTest::newRow("space and fragment") << QStringLiteral("http://localhost/my blog/#top");
    QTest::newRow("escape kept") << QStringLiteral("http://localhost/caf%C3%A9?q=%41");
    QTest::newRow("non-ascii path") << QStringLiteral("http://[::1]:9000/café");
}

void tst_Reachability::loopbackTextIsOnline()
{
    QFETCH(QString, text);
    QVERIFY(cutils::isOnline(text));
}

void tst_Reachability::systemThatCannotTellCountsAsOnline()
{
    const bool online = cutils::isURLOnline(QUrl(QStringLiteral("https://blog.example.org/")));
    const QNetworkInformation* info = QNetworkInformation::instance();
    if (!info || info->reachability() == Reachability::Unknown)
        QVERIFY(online);
    else
        QCOMPARE(online, info->reachability() != Reachability::Disconnected);
}

QTEST_GUILESS_MAIN(tst_Reachability)
#include "tst_reachability.moc"
