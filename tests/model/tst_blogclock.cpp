#include "Blog.h"
#include "BlogClock.h"
#include "XMLRPCDates.h"
#include "XMLRPCDecoder.h"

#include <QScopeGuard>
#include <QTest>
#include <QTimeZone>
#include <ctime>

// How a server's dates become instants, and how instants go out on a blog's
// clock, with this computer in zones other than the blog's. Every case runs
// under several TZ values: the answer must not depend on where the computer is.
namespace {

const QList<QByteArray> computerZones{"America/New_York", "Asia/Tokyo", "UTC"};

QDateTime utc(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone::utc());
}

void setComputerZone(const QByteArray& zone)
{
    qputenv("TZ", zone);
    tzset();
}

// A post struct as the XML-RPC decoder gives it: each member a typed value.
QVariantMap decodedPost(const QList<std::pair<QByteArray, QByteArray>>& members)
{
    QByteArray xml = "<?xml version=\"1.0\"?><methodResponse><params><param><value><struct>";
    for (const auto& [name, value] : members)
        xml += "<member><name>" + name + "</name><value>" + value + "</value></member>";
    xml += "</struct></value></param></params></methodResponse>";
    return XMLRPCDecoder::decode(xml).value().toMap();
}

QByteArray date(const QByteArray& text)
{
    return "<dateTime.iso8601>" + text + "</dateTime.iso8601>";
}

} // namespace

class tst_BlogClock : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setComputerZone("UTC"); }
    void serverDatesBecomeInstants_data();
    void serverDatesBecomeInstants();
    void datesGoOutOnTheBlogsClock_data();
    void datesGoOutOnTheBlogsClock();
};

void tst_BlogClock::serverDatesBecomeInstants_data()
{
    QTest::addColumn<QByteArray>("computerZone");
    QTest::addColumn<QString>("blogZone");
    QTest::addColumn<QByteArray>("local");  // the "dateCreated" value, or empty
    QTest::addColumn<QByteArray>("gmtKey"); // the GMT field's name, or empty
    QTest::addColumn<QByteArray>("gmt");
    QTest::addColumn<QDateTime>("expected");

    struct Case {
        const char* name;
        const char* blogZone;
        QByteArray local, gmtKey, gmt;
        QDateTime expected;
    };
    const QList<Case> cases{
        {"summer on the blog's clock",
         "Europe/Berlin",
         date("20240701T12:15:00"),
         {},
         {},
         utc(2024, 7, 1, 10, 15)},
        {"winter on the blog's clock",
         "Europe/Berlin",
         date("2024-01-15T11:15:00"),
         {},
         {},
         utc(2024, 1, 15, 10, 15)},
        // Clocks go back: 02:30 comes twice, the first in summer time.
        {"repeated hour takes the first",
         "Europe/Berlin",
         date("20241027T02:30:00"),
         {},
         {},
         utc(2024, 10, 27, 0, 30)},
        {"skipped hour moves forward",
         "Europe/Berlin",
         date("20240331T02:30:00"),
         {},
         {},
         utc(2024, 3, 31, 1, 30)},
        // New York skips 02:30 that night; Berlin does not.
        {"another zone's skipped hour",
         "Europe/Berlin",
         date("20240310T02:30:00"),
         {},
         {},
         utc(2024, 3, 10, 1, 30)},
        // Only the GMT field can tell the second 02:30.
        {"date_created_gmt wins", "Europe/Berlin", date("20241027T02:30:00"), "date_created_gmt",
         date("20241027T01:30:00"), utc(2024, 10, 27, 1, 30)},
        {"post_date_gmt wins", "Europe/Berlin", date("20240701T09:00:00"), "post_date_gmt",
         date("20240701T10:15:00"), utc(2024, 7, 1, 10, 15)},
        // Under default settings the blog names no zone, and WordPress's
        // local dates are its own clock's, not ours: the GMT field tells.
        {"GMT field without a blog zone", "", date("20240701T12:15:00"), "date_created_gmt",
         date("20240701T10:15:00"), utc(2024, 7, 1, 10, 15)},
        {"GMT field in our skipped hour", "", date("20240310T03:30:00"), "date_created_gmt",
         date("20240310T02:30:00"), utc(2024, 3, 10, 2, 30)},
        {"GMT field alone",
         "Europe/Berlin",
         {},
         "date_created_gmt",
         date("20240701T10:15:00"),
         utc(2024, 7, 1, 10, 15)},
        // A draft never dated: WordPress sends zeros.
        {"unreadable GMT field", "Europe/Berlin", date("20240701T12:15:00"), "date_created_gmt",
         date("00000000T00:00:00"), utc(2024, 7, 1, 10, 15)},
        {"a date with a zone is not read again",
         "Europe/Berlin",
         date("20240701T10:15:00Z"),
         {},
         {},
         utc(2024, 7, 1, 10, 15)},
        {"an offset is honoured",
         "Asia/Tokyo",
         date("2024-07-01T12:15:00+02:00"),
         {},
         {},
         utc(2024, 7, 1, 10, 15)},
        {"a text in the same form",
         "Europe/Berlin",
         "<string>20240701T12:15:00</string>",
         {},
         {},
         utc(2024, 7, 1, 10, 15)},
        {"labelled GMT-2 is two hours behind",
         "Etc/GMT-2",
         date("20240701T08:15:00"),
         {},
         {},
         utc(2024, 7, 1, 10, 15)},
        {"nothing readable", "Europe/Berlin", "<string>soon</string>", {}, {}, QDateTime()},
    };
    for (const QByteArray& zone : computerZones) {
        for (const Case& c : cases)
            QTest::addRow("%s, here %s", c.name, zone.constData())
                << zone << QString::fromLatin1(c.blogZone) << c.local << c.gmtKey << c.gmt
                << c.expected;
    }
    // Without a blog zone a zone-less date is this computer's clock time.
    QTest::newRow("no blog zone, here New York")
        << QByteArray("America/New_York") << QString() << date("20240701T06:15:00") << QByteArray()
        << QByteArray() << utc(2024, 7, 1, 10, 15);
    QTest::newRow("no blog zone, here Tokyo")
        << QByteArray("Asia/Tokyo") << QString() << date("20240701T19:15:00") << QByteArray()
        << QByteArray() << utc(2024, 7, 1, 10, 15);
}

void tst_BlogClock::serverDatesBecomeInstants()
{
    QFETCH(QByteArray, computerZone);
    QFETCH(QString, blogZone);
    QFETCH(QByteArray, local);
    QFETCH(QByteArray, gmtKey);
    QFETCH(QByteArray, gmt);
    QFETCH(QDateTime, expected);
    setComputerZone(computerZone);
    Blog blog;
    if (!blogZone.isEmpty())
        blog.setTimeZone(blogZone);

    // Decoded here, as an answer is, under this computer's zone.
    QList<std::pair<QByteArray, QByteArray>> members{{"postid", "<string>7</string>"}};
    if (!local.isEmpty())
        members.append({"dateCreated", local});
    if (!gmtKey.isEmpty())
        members.append({gmtKey, gmt});
    const QVariantMap post = decodedPost(members);

    const QDateTime instant = BlogClock::postInstant(post, &blog);
    QCOMPARE(instant, expected);
    // Read once: the instant read again is the same instant.
    if (expected.isValid()) {
        QVariantMap again = post;
        again.insert(QStringLiteral("datecreated"), instant);
        again.remove(QString::fromLatin1(gmtKey));
        QCOMPARE(BlogClock::postInstant(again, &blog), expected);
    }
}

void tst_BlogClock::datesGoOutOnTheBlogsClock_data()
{
    QTest::addColumn<QByteArray>("computerZone");
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QDateTime>("readBack");

    struct Case {
        const char* name;
        QDateTime instant;
        const char* sent;
        QDateTime readBack;
    };
    const QList<Case> cases{
        {"summer", utc(2024, 7, 1, 10, 15), "20240701T12:15:00", utc(2024, 7, 1, 10, 15)},
        {"first of a repeated hour", utc(2024, 10, 27, 0, 30), "20241027T02:30:00",
         utc(2024, 10, 27, 0, 30)},
        // Written alike: without a zone the wire cannot tell them apart.
        {"second of a repeated hour", utc(2024, 10, 27, 1, 30), "20241027T02:30:00",
         utc(2024, 10, 27, 0, 30)},
        {"just after the skipped hour", utc(2024, 3, 31, 1, 30), "20240331T03:30:00",
         utc(2024, 3, 31, 1, 30)},
        // New York's clocks skip 02:30 that night; Berlin's show it.
        {"in another zone's skipped hour", utc(2024, 3, 10, 1, 30), "20240310T02:30:00",
         utc(2024, 3, 10, 1, 30)},
    };
    for (const QByteArray& zone : computerZones) {
        for (const Case& c : cases)
            QTest::addRow("%s, here %s", c.name, zone.constData())
                << zone << c.instant << QString::fromLatin1(c.sent) << c.readBack;
    }
}

void tst_BlogClock::datesGoOutOnTheBlogsClock()
{
    QFETCH(QByteArray, computerZone);
    QFETCH(QDateTime, instant);
    QFETCH(QString, sent);
    QFETCH(QDateTime, readBack);
    setComputerZone(computerZone);
    Blog blog;
    blog.setTimeZone(QStringLiteral("Europe/Berlin"));
    blog.setOption(QStringLiteral("utcMode"), false);

    const QDateTime clock = BlogClock::toBlogClock(instant.toLocalTime(), blog);
    QCOMPARE(clock, instant); // the same instant, shown on the blog's clock
    QCOMPARE(formatXMLRPCDate(clock, false), sent);
    QCOMPARE(BlogClock::fromBlogClock(clock, blog), readBack);
    QCOMPARE(BlogClock::postInstant({{"datecreated", parseXMLRPCDate(sent)}}, &blog), readBack);

    blog.setOption(QStringLiteral("utcMode"), true);
    QCOMPARE(formatXMLRPCDate(BlogClock::toBlogClock(instant, blog), true),
             instant.toString(QStringLiteral("yyyyMMdd'T'HH:mm:ss'Z'")));
}

int main(int argc, char** argv)
{
    qputenv("TZ", "UTC");
    QCoreApplication app(argc, argv);
    tst_BlogClock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_blogclock.moc"
