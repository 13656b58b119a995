#include "StringExtensions.h"

#include "Base64Encoding.h"
#include "UtilitiesLog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QMimeData>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <openssl/evp.h>

namespace rv {

namespace {

// Fetched once and kept for the life of the process: no global digest registration
// and no per-call table release, so the digests are safe on any thread.
const EVP_MD* md5Digest()
{
    static const EVP_MD* digest = EVP_MD_fetch(nullptr, "MD5", nullptr);
    return digest;
}

const EVP_MD* sha1Digest()
{
    static const EVP_MD* digest = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return digest;
}

QByteArray digestOf(const EVP_MD* digest, QByteArrayView bytes)
{
    unsigned char buffer[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!digest ||
        EVP_Digest(bytes.data(), size_t(bytes.size()), buffer, &length, digest, nullptr) != 1) {
        qCWarning(lcUtilities, "RVUtilities: digest unavailable");
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(length));
}

void collapseRepeats(QString& text, QStringView pair, QStringView single)
{
    while (text.contains(pair))
        text.replace(pair.toString(), single.toString());
}

} // namespace

// --- comparisons and tests ---------------------------------------------------

bool isSortaEqualTo(const QString& text, const QString& other)
{
    return text.compare(other, Qt::CaseInsensitive) == 0;
}

bool isEqualToTrimmed(const QString& text, const QString& other)
{
    return text.trimmed() == other.trimmed();
}

bool substr(const QString& text, const QString& part)
{
    return text.contains(part, Qt::CaseInsensitive);
}

bool imageURL(const QString& text)
{
    static const QStringList extensions = {
        QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".gif"),
        QStringLiteral(".png"), QStringLiteral(".tif"),  QStringLiteral(".pdf"),
        QStringLiteral(".mov"), QStringLiteral(".mp"),
    };
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const QString& ext) { return text.contains(ext, Qt::CaseInsensitive); });
}

bool validURLScheme(const QString& text)
{
    static const QStringList schemes = {
        QStringLiteral("http"),  QStringLiteral("data:"), QStringLiteral("mailto:"),
        QStringLiteral("ftp:"),  QStringLiteral("feed:"), QStringLiteral("news:"),
        QStringLiteral("nntp:"), QStringLiteral("ldap:"),
    };
    return std::any_of(schemes.begin(), schemes.end(),
                       [&](const QString& scheme) { return text.startsWith(scheme); });
}

// --- trimming and whitespace -------------------------------------------------

QString trimNonLetters(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isPunct() && !c.isSpace())
            out.append(c);
    }
    return out;
}

QString trimWhitespace(const QString& text)
{
    return text.trimmed();
}

QString trimHTML(const QString& text)
{
    if (!text.isEmpty() && !text.contains(u'<')) // no markup: nothing to take out
        return text;
    QString out;
    out.reserve(text.size());
    int depth = 0;
    for (const QChar c : text) {
        if (c == u'<') {
            ++depth;
        } else if (c == u'>' && depth > 1) {
            --depth;
        } else if (c == u'>' && depth == 1) {
            out.append(u' ');
            depth = 0;
        } else if (depth == 0) {
            out.append(c);
        }
    }
    return out;
}

QString whiteWash(const QString& text)
{
    QString s = text;
    s.replace(u'\t', u' ');
    collapseRepeats(s, u"  ", u" ");
    s.replace(u'\r', u'\n');
    s.replace(QStringLiteral(" \n"), QStringLiteral("\n"));
    s.replace(QStringLiteral("\n "), QStringLiteral("\n"));
    collapseRepeats(s, u"\n\n", u"\n");
    s.replace(QStringLiteral("\n"), QStringLiteral("... "));
    return s;
}

QString reduceAllWhiteSpace(const QString& text)
{
    QString s = text;
    s.replace(u'\r', u' ');
    s.replace(u'\n', u' ');
    s.replace(u'\t', u' ');
    collapseRepeats(s, u"  ", u" ");
    return s;
}

// --- digests -----------------------------------------------------------------

QString MD5(const QString& text)
{
    return QString::fromLatin1(digestOf(md5Digest(), text.toUtf8()).toHex());
}

namespace {

constexpr quint64 Prime1 = 0x9E3779B185EBCA87ULL;
constexpr quint64 Prime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr quint64 Prime3 = 0x165667B19E3779F9ULL;
constexpr quint64 Prime4 = 0x85EBCA77C2B2AE63ULL;
constexpr quint64 Prime5 = 0x27D4EB2F165667C5ULL;

quint64 hashRound(quint64 accumulator, quint64 input)
{
    return std::rotl(accumulator + input * Prime2, 31) * Prime1;
}

quint64 mergeRound(quint64 accumulator, quint64 value)
{
    return (accumulator ^ hashRound(0, value)) * Prime1 + Prime4;
}

} // namespace

quint64 contentHash64(QByteArrayView bytes)
{
    const auto* at = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = at + bytes.size();
    quint64 hash;
    if (bytes.size() >= 32) {
        quint64 lanes[4] = {Prime1 + Prime2, Prime2, 0, 0 - Prime1};
        for (; end - at >= 32; at += 32) {
            for (int lane = 0; lane < 4; ++lane)
                lanes[lane] = hashRound(lanes[lane], qFromLittleEndian<quint64>(at + 8 * lane));
        }
        hash = std::rotl(lanes[0], 1) + std::rotl(lanes[1], 7) + std::rotl(lanes[2], 12) +
               std::rotl(lanes[3], 18);
        for (const quint64 lane : lanes)
            hash = mergeRound(hash, lane);
    } else {
        hash = Prime5;
    }
    hash += quint64(bytes.size());
    for (; end - at >= 8; at += 8)
        hash = std::rotl(hash ^ hashRound(0, qFromLittleEndian<quint64>(at)), 27) * Prime1 + Prime4;
    if (end - at >= 4) {
        hash = std::rotl(hash ^ (quint64(qFromLittleEndian<quint32>(at)) * Prime1), 23) * Prime2 +
               Prime3;
        at += 4;
    }
    for (; at < end; ++at)
        hash = std::rotl(hash ^ (*at * Prime5), 11) * Prime1;
    hash ^= hash >> 33;
    hash *= Prime2;
    hash ^= hash >> 29;
    hash *= Prime3;
    hash ^= hash >> 32;
    return hash;
}

QByteArray SHA1(const QByteArray& bytes)
{
    return digestOf(sha1Digest(), bytes);
}

QString createWSSE(const QByteArray& bytes)
{
    return base64EncodingWithLineLength(SHA1(bytes), 0);
}

QString createWSSE(const QString& text)
{
    return createWSSE(text.toUtf8());
}

// --- XML escapes -------------------------------------------------------------

QString encodeXML(const QString& text)
{
    QString s = text;
    s.replace(u'&', QStringLiteral("&amp;"));
    s.replace(u'<', QStringLiteral("&lt;"));
    s.replace(u'>', QStringLiteral("&gt;"));
    s.replace(u'"', QStringLiteral("&quot;"));
    return s;
}

QString decodeXML(const QString& text)
{
    // The order matters and is relied upon: "&amp;" before the numeric forms.
    static const std::pair<QString, QString> replacements[] = {
        {QStringLiteral("&lt;"), QStringLiteral("<")},
        {QStringLiteral("&gt;"), QStringLiteral(">")},
        {QStringLiteral("&quot;"), QStringLiteral("\"")},
        {QStringLiteral("&apos;"), QStringLiteral("'")},
        {QStringLiteral("&#13;"), QStringLiteral("\n")},
        {QStringLiteral("&amp;"), QStringLiteral("&")},
        {QStringLiteral("&#38;"), QStringLiteral("&")},
        {QStringLiteral("&#60;"), QStringLiteral("<")},
        {QStringLiteral("&#34;"), QStringLiteral("\"")},
        {QStringLiteral("&#62;"), QStringLiteral(">")},
        {QStringLiteral("&#39;"), QStringLiteral("'")},
    };
    if (!text.contains(u'&')) // every entity starts with one
        return text;
    QString s = text;
    for (const auto& [from, to] : replacements)
        s.replace(from, to);
    return s;
}

QString decodeXMLEntity(const QString& text)
{
    return convertSingleEntity(text);
}

// --- URLs --------------------------------------------------------------------

QString stringByAppendingURLComponent(const QString& base, const QString& component)
{
    QString joined = base;
    if (!joined.isEmpty() && !joined.endsWith(u'/'))
        joined.append(u'/');
    joined.append(component.startsWith(u'/') ? QStringView(component).mid(1)
                                             : QStringView(component));
    return joined;
}

QString stringByDeletingLastURLComponent(const QString& text)
{
    if (text.isEmpty())
        return {};
    const qsizetype end = text.size() > 1 && text.endsWith(u'/') ? text.size() - 1 : text.size();
    const qsizetype slash = text.lastIndexOf(u'/', end - 1);
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return text.left(slash);
}

QUrl escapedURL(const QString& text, const QString& legalCharacters)
{
    if (text.isEmpty())
        return {};
    // ASCII characters a URL may hold as they are (the reserved and unreserved sets).
    static constexpr QStringView safe = u"!$&'()*+,-./:;=?@_~";
    const auto isHex = [](QChar c) {
        return c.isDigit() || QStringView(u"abcdefABCDEF").contains(c);
    };

    // The host (with its port) is left to QUrl, which writes an internationalised
    // name by IDNA: escaped, it would be no host name at all. The brackets of an
    // IPv6 address belong there too. A user name and password before it are
    // escaped like the path.
    const qsizetype schemeEnd = text.indexOf(QStringLiteral("://"));
    qsizetype hostStart = -1;
    qsizetype hostEnd = -1;
    if (schemeEnd >= 0) {
        static const QRegularExpression afterHost(QStringLiteral("[/?#]"));
        const qsizetype authorityStart = schemeEnd + 3;
        hostEnd = text.indexOf(afterHost, authorityStart);
        if (hostEnd < 0)
            hostEnd = text.size();
        const qsizetype at = text.lastIndexOf(u'@', hostEnd - 1);
        hostStart = at >= authorityStart ? at + 1 : authorityStart;
    }

    QString escaped;
    escaped.reserve(text.size() * 3 / 2);
    bool fragmentStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool inHost = i >= hostStart && i < hostEnd;
        bool keep = legalCharacters.contains(c) ||
                    (c.unicode() < 128 && (c.isLetterOrNumber() || safe.contains(c)));
        if (c == u'%')
            keep = keep || (i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2]));
        else if (c == u'#' && !fragmentStarted)
            keep = fragmentStarted = true;
        else if (inHost && (c == u'[' || c == u']' || c.unicode() >= 128))
            keep = true;

        if (keep) {
            escaped.append(c);
            continue;
        }
        const qsizetype length =
            c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QByteArray utf8 = text.mid(i, length).toUtf8();
        for (const char byte : utf8)
            escaped.append(
                QStringLiteral("%%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0')).toUpper());
        i += length - 1;
    }
    const QUrl url(escaped, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

std::optional<QString> URLFromClipboardText(const QString& text)
{
    static constexpr QStringView extra = u"(){}+.,-/:;?_#&=%@~";
    if (!text.contains(u'.'))
        return std::nullopt;
    for (const QChar c : text) {
        if (!c.isLetter() && !c.isDigit() && !extra.contains(c))
            return std::nullopt;
    }
    const QString escaped = encodeXML(text);
    return escaped.contains(u':') ? escaped : QStringLiteral("http://") + escaped;
}

std::optional<QString> URLWithClipboard()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return std::nullopt;
    return URLFromClipboardText(data->text());
}

// --- dates -------------------------------------------------------------------

int wallClockOffset(const QTimeZone& zone, QDate date, QTime time)
{
    // The clock fields read as UTC; the instant they stand for lies within the
    // widest offsets (-12 h to +14 h) of it, where at most one change happens.
    const QDateTime clock(date, time, QTimeZone::utc());
    const int before = zone.offsetFromUtc(clock.addSecs(-15 * 3600));
    const int after = zone.offsetFromUtc(clock.addSecs(13 * 3600));
    const auto fits = [&](int offset) {
        return zone.offsetFromUtc(clock.addSecs(-offset)) == offset;
    };
    const bool beforeFits = fits(before);
    const bool afterFits = before != after && fits(after);
    if (beforeFits && afterFits) // shown twice: the first time has the larger offset
        return std::max(before, after);
    if (afterFits)
        return after;
    return before; // fits alone, or skipped
}

namespace {

// A wall-clock time in the local zone. A time the clocks skipped moves
// forward by the gap, as the XML-RPC date reader does.
QDateTime localClockTime(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::OffsetFromUTC,
                     wallClockOffset(QTimeZone::systemTimeZone(), date, time));
}

// "+hhmm", "+hh:mm" or "+hh" in seconds; nothing for an offset no clock can have.
std::optional<int> numericOffset(QStringView zone)
{
    const int hours = zone.mid(1, 2).toInt();
    const QStringView rest = zone.mid(3);
    const int minutes = rest.isEmpty() ? 0 : rest.right(2).toInt();
    if (hours > 23 || minutes > 59)
        return std::nullopt;
    const int offset = (hours * 60 + minutes) * 60;
    return zone.startsWith(u'-') ? -offset : offset;
}

// The date and time in the zone written after them, whose offset `offsetOf`
// reads: local wall-clock time without one, invalid for an impossible date,
// time or zone.
template <typename OffsetOf>
QDateTime dateTimeIn(QDate date, QTime time, QStringView zone, OffsetOf offsetOf)
{
    if (!date.isValid() || !time.isValid())
        return {};
    if (zone.isEmpty())
        return localClockTime(date, time);
    const std::optional<int> offset = offsetOf(zone);
    return offset ? QDateTime(date, time, Qt::OffsetFromUTC, *offset) : QDateTime();
}

// The ISO 8601 / W3C forms feeds and XML-RPC answers use: the date with or
// without dashes, "T" or a space, hours and minutes with optional seconds and
// fraction (dropped), and "Z", an offset or no zone (local time). Nothing
// when the text is of another form; an invalid date when it is of this form
// but names no real date, time or offset.
std::optional<QDateTime> parseISODate(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})-?(\\d{2})-?(\\d{2})"
                       "(?:[T ](\\d{2}):?(\\d{2})(?::?(\\d{2}))?(?:[.,]\\d+)?)?"
                       "\\s*(Z|z|[+-]\\d{2}(?::?\\d{2})?)?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return dateTimeIn(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                      QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()),
                      m.capturedView(7), [](QStringView zone) {
                          return zone.compare(u"Z", Qt::CaseInsensitive) == 0
                                     ? std::optional<int>(0)
                                     : numericOffset(zone);
                      });
}

// The offsets, in hours, of the zone names RFC 2822 knows.
std::optional<int> namedZoneHours(QStringView name)
{
    static const QHash<QString, int> zones{
        {QStringLiteral("UT"), 0},   {QStringLiteral("GMT"), 0},  {QStringLiteral("EST"), -5},
        {QStringLiteral("EDT"), -4}, {QStringLiteral("CST"), -6}, {QStringLiteral("CDT"), -5},
        {QStringLiteral("MST"), -7}, {QStringLiteral("MDT"), -6}, {QStringLiteral("PST"), -8},
        {QStringLiteral("PDT"), -7}};
    const QString upper = name.toString().toUpper();
    if (const auto found = zones.constFind(upper); found != zones.constEnd())
        return *found;
    // The military letters were once defined backwards; the RFC advises
    // reading every one of them as UTC.
    if (upper.size() == 1 && upper[0] >= u'A' && upper[0] <= u'Z' && upper[0] != u'J')
        return 0;
    return std::nullopt;
}

// RFC 2822 dates as RSS feeds write them: an optional day name, the day, the
// month's name, the year (two digits are 1950-2049), the time with optional
// seconds, and an offset or a zone name of the RFC; a comment may follow.
// Nothing when the text is of another form; an invalid date for an impossible
// date, time or offset, or a zone name the RFC does not know.
std::optional<QDateTime> parseRFC2822Date(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:[A-Za-z]+,?\\s*)?(\\d{1,2})\\s+([A-Za-z]{3})[A-Za-z]*\\.?\\s+(\\d{2,4})"
                       "\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?(?:\\s*([+-]\\d{4}|[A-Za-z]{1,5}))?"
                       "\\s*(?:\\(.*\\))?$"));
    static const QStringList months{
        QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"), QStringLiteral("apr"),
        QStringLiteral("may"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("aug"),
        QStringLiteral("sep"), QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int month = int(months.indexOf(m.captured(2).toLower())) + 1;
    if (month == 0)
        return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.capturedLength(3) == 2)
        year += year < 50 ? 2000 : 1900;
    else if (m.capturedLength(3) == 3)
        year += 1900;
    return dateTimeIn(QDate(year, month, m.captured(1).toInt()),
                      QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()),
                      m.capturedView(7), [](QStringView zone) -> std::optional<int> {
                          if (zone.startsWith(u'+') || zone.startsWith(u'-'))
                              return numericOffset(zone);
                          const std::optional<int> hours = namedZoneHours(zone);
                          return hours ? std::optional<int>(*hours * 3600) : std::nullopt;
                      });
}

} // namespace

QDateTime parseDate(const QString& input)
{
    const QString text = input.trimmed();
    std::optional<QDateTime> date = parseISODate(text);
    if (!date)
        date = parseRFC2822Date(text);
    if (!date) // the C library's form ("Tue Jul 1 10:00:00 2008"), local time
        date = QDateTime::fromString(text, Qt::TextDate);
    return date->isValid() ? date->toLocalTime() : QDateTime();
}

// --- colours -----------------------------------------------------------------

namespace {

// The leading floating-point number of the text (spaces before it allowed), 0 when none.
double leadingNumber(QStringView text)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch m = number.match(text.toString());
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

std::optional<quint32> leadingHexNumber(QStringView text)
{
    if (text.startsWith(u"0x", Qt::CaseInsensitive))
        text = text.mid(2);
    quint64 value = 0;
    qsizetype digits = 0;
    for (const QChar c : text) {
        const int digit = QStringView(u"0123456789abcdef").indexOf(c.toLower());
        if (digit < 0)
            break;
        value = std::min<quint64>(value * 16 + digit, 0xFFFFFFFFu);
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return quint32(value);
}

} // namespace

std::optional<Color> colorFromCSSColorSpec(const QString& text)
{
    static const QHash<QString, Color> namedColors = {
        {QStringLiteral("white"), Color(1, 1, 1)},
        {QStringLiteral("gray"), Color(0.5, 0.5, 0.5)},
        {QStringLiteral("aqua"), Color(0, 1, 1)},
        {QStringLiteral("teal"), Color(0, 0.5, 0.5)},
        {QStringLiteral("fuchsia"), Color(1, 0, 1)},
        {QStringLiteral("purple"), Color(0.5, 0, 0.5)},
        {QStringLiteral("blue"), Color(0, 0, 1)},
        {QStringLiteral("navy"), Color(0, 0, 0.5)},
        {QStringLiteral("yellow"), Color(1, 1, 0)},
        {QStringLiteral("olive"), Color(0.5, 0.5, 0)},
        {QStringLiteral("lime"), Color(0, 1, 0)},
        {QStringLiteral("green"), Color(0, 0.5, 0)},
        {QStringLiteral("red"), Color(1, 0, 0)},
        {QStringLiteral("maroon"), Color(0.5, 0, 0)},
        {QStringLiteral("silver"), Color(0.75, 0.75, 0.75)},
        {QStringLiteral("black"), Color(0, 0, 0)},
    };
    if (const auto it = namedColors.constFind(text); it != namedColors.cend())
        return *it;

    if (text.startsWith(u'#')) {
        if (const std::optional<quint32> value = leadingHexNumber(QStringView(text).mid(1))) {
            return Color(((*value >> 16) & 0xFF) / 255.0, ((*value >> 8) & 0xFF) / 255.0,
                         (*value & 0xFF) / 255.0);
        }
    }

    const qsizetype rgb = text.indexOf(QStringLiteral("rgb"));
    if (rgb < 0)
        return std::nullopt;
    const qsizetype open = text.indexOf(u'(', rgb);
    if (open < 0)
        return std::nullopt;
    const qsizetype close = text.indexOf(u')', open + 1);
    const QStringView inside = QStringView(text).mid(open + 1, close < 0 ? -1 : close - open - 1);
    if (inside.isEmpty())
        return std::nullopt;
    const QList<QStringView> parts = inside.split(u',');
    if (parts.size() < 3)
        return std::nullopt;

    double components[4] = {0, 0, 0, 1};
    for (qsizetype i = 0; i < std::min<qsizetype>(parts.size(), 4); ++i)
        components[i] = leadingNumber(parts[i]) / 255.0;
    if (components[0] + components[1] + components[2] + components[3] < 0.1)
        return Color(1, 1, 1);
    for (double& component : components)
        component = std::clamp(component, 0.0, 1.0);
    return Color(components[0], components[1], components[2], components[3]);
}

} // namespace rv
