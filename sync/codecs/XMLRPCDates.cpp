#include "XMLRPCDates.h"

#include "StringExtensions.h"

namespace {

class DateScanner {
public:
    explicit DateScanner(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }
    bool skip(QChar c)
    {
        if (peek() != c)
            return false;
        ++m_pos;
        return true;
    }
    // Exactly `count` decimal digits, or -1.
    int digits(int count)
    {
        if (m_pos + count > m_text.size())
            return -1;
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const QChar c = m_text[m_pos + i];
            if (c < u'0' || c > u'9')
                return -1;
            value = value * 10 + (c.unicode() - u'0');
        }
        m_pos += count;
        return value;
    }
    // Reads a run of digits and keeps the first three as milliseconds.
    int fractionMilliseconds()
    {
        int millis = 0;
        int count = 0;
        while (!atEnd() && peek() >= u'0' && peek() <= u'9') {
            if (count < 3)
                millis = millis * 10 + (peek().unicode() - u'0');
            ++count;
            ++m_pos;
        }
        if (count == 0)
            return -1;
        for (; count < 3; ++count)
            millis *= 10;
        return millis;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

namespace {
const QByteArray clockZoneId = QByteArrayLiteral("ClockTime");
}

QDateTime clockTime(QDate date, QTime time, int offsetFromUtc)
{
    static const QString name = QStringLiteral("clock time");
    return QDateTime(date, time, QTimeZone(clockZoneId, offsetFromUtc, name, name));
}

bool isClockTime(const QDateTime& date)
{
    return date.timeSpec() == Qt::TimeZone && date.timeZone().id() == clockZoneId;
}

QString formatXMLRPCDate(const QDateTime& date, bool utc)
{
    if (!date.isValid())
        return QStringLiteral("");
    static const QString format = QStringLiteral("yyyyMMdd'T'HH:mm:ss");
    if (utc)
        return date.toUTC().toString(format) + u'Z';
    return (isClockTime(date) ? date : date.toLocalTime()).toString(format);
}

QDateTime parseXMLRPCDate(QStringView text, const QTimeZone& localZone)
{
    DateScanner scan(text.trimmed());
    const int year = scan.digits(4);
    scan.skip(u'-');
    const int month = scan.digits(2);
    scan.skip(u'-');
    const int day = scan.digits(2);
    if (year < 0 || month < 0 || day < 0 || !scan.skip(u'T'))
        return {};
    const int hour = scan.digits(2);
    scan.skip(u':');
    const int minute = scan.digits(2);
    scan.skip(u':');
    const int second = scan.digits(2);
    if (hour < 0 || minute < 0 || second < 0)
        return {};
    int millis = 0;
    if (scan.skip(u'.') || scan.skip(u',')) {
        millis = scan.fractionMilliseconds();
        if (millis < 0)
            return {};
    }

    const QDate date(year, month, day);
    const QTime time(hour, minute, second, millis);
    if (!date.isValid() || !time.isValid())
        return {};

    // A clock time keeps its clock fields, so that a reader that knows the
    // server meant another zone (the blog's, or UTC for WordPress's
    // "date_created_gmt") reads them there unchanged, even in the hour our own
    // clocks skipped.
    if (scan.atEnd())
        return clockTime(date, time, rv::wallClockOffset(localZone, date, time));
    if (scan.skip(u'Z') || scan.skip(u'z'))
        return scan.atEnd() ? QDateTime(date, time, Qt::UTC) : QDateTime();

    const QChar sign = scan.peek();
    if (sign != u'+' && sign != u'-')
        return {};
    scan.skip(sign);
    const int offsetHours = scan.digits(2);
    int offsetMinutes = 0;
    if (!scan.atEnd()) {
        scan.skip(u':');
        offsetMinutes = scan.digits(2);
    }
    if (offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59 ||
        !scan.atEnd())
        return {};
    const int offset = (offsetHours * 3600 + offsetMinutes * 60) * (sign == u'-' ? -1 : 1);
    return QDateTime(date, time, Qt::UTC).addSecs(-offset);
}

QDateTime parseXMLRPCDate(QStringView text)
{
    return parseXMLRPCDate(text, QTimeZone::systemTimeZone());
}
