#include "DisplayStrings.h"

#include <QCoreApplication>

namespace cutils {

namespace {

// Index of the first run of `letter` outside quoted text in a QLocale format, or -1.
qsizetype findFormatToken(const QString& format, QChar letter)
{
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'\'')
            quoted = !quoted;
        else if (!quoted && format[i] == letter)
            return i;
    }
    return -1;
}

qsizetype tokenEnd(const QString& format, qsizetype start)
{
    qsizetype end = start;
    while (end < format.size() && format[end] == format[start])
        ++end;
    return end;
}

// The locale's short time format, with or without seconds. Seconds are taken out the way
// they are written (":ss" or ".ss"), and put in after the minutes with the separator the
// locale uses between hours and minutes.
QString timeFormat(const QLocale& locale, bool withSeconds)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype seconds = findFormatToken(format, u's');
    if (seconds > 0 && !withSeconds) {
        const QChar separator = format[seconds - 1];
        if (separator == u':' || separator == u'.')
            format.remove(seconds - 1, tokenEnd(format, seconds) - seconds + 1);
    } else if (seconds < 0 && withSeconds) {
        const qsizetype minutes = findFormatToken(format, u'm');
        if (minutes >= 0) {
            const QChar before = minutes > 0 ? format[minutes - 1] : QChar(u':');
            const QChar separator = before == u'.' ? QChar(u'.') : QChar(u':');
            format.insert(tokenEnd(format, minutes), QString(separator) + QStringLiteral("ss"));
        }
    }
    return format;
}

QString capitalized(const QString& word, const QLocale& locale)
{
    if (word.isEmpty())
        return word;
    return locale.toUpper(word.left(1)) + word.mid(1);
}

QString relativeDayWord(qint64 daysFromNow, const QLocale& locale)
{
    QString designation;
    if (daysFromNow == -1)
        designation = QCoreApplication::translate("cutils", "yesterday");
    else if (daysFromNow == 0)
        designation = QCoreApplication::translate("cutils", "today");
    else if (daysFromNow == 1)
        designation = QCoreApplication::translate("cutils", "tomorrow");
    return capitalized(designation.section(u' ', 0, 0), locale);
}

} // namespace

QString commonDateString(const QDateTime& date, bool withSeconds, const QLocale& locale)
{
    if (!date.isValid())
        return {};
    const QDateTime local = date.toLocalTime();
    return QStringLiteral("%1, %2").arg(
        locale.toString(local.date(), QLocale::ShortFormat),
        locale.toString(local.time(), timeFormat(locale, withSeconds)));
}

QString commonDateStringWithRelative(const QDateTime& date, const QLocale& locale,
                                     const QDateTime& now)
{
    if (!date.isValid())
        return {};
    const QDateTime local = date.toLocalTime();
    const qint64 daysFromNow = now.toLocalTime().date().daysTo(local.date());
    const QString word = relativeDayWord(daysFromNow, locale);
    if (word.isEmpty())
        return commonDateString(date, false, locale);
    return QStringLiteral("%1, %2").arg(word,
                                        locale.toString(local.time(), timeFormat(locale, false)));
}

QString stringForFileSize(quint64 bytes, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    if (bytes < 1024)
        return QCoreApplication::translate("cutils", "%1 bytes").arg(plain.toString(bytes));

    constexpr quint64 kilo = quint64(1) << 10;
    constexpr quint64 mega = quint64(1) << 20;
    constexpr quint64 giga = quint64(1) << 30;
    const quint64 unit = bytes < mega ? kilo : bytes < giga ? mega : giga;
    const QString suffix = bytes < mega   ? QStringLiteral("Kb")
                           : bytes < giga ? QStringLiteral("Mb")
                                          : QStringLiteral("Gb");
    // The tenth is truncated, never rounded, so 1,048,575 bytes stay "1023.9 Kb".
    const quint64 whole = bytes / unit;
    const quint64 tenth = (bytes % unit) * 10 / unit;
    return QStringLiteral("%1%2%3 %4")
        .arg(plain.toString(whole), plain.decimalPoint(), plain.toString(tenth), suffix);
}

int simpleSort(const QVariant& a, const QVariant& b)
{
    if (a.typeId() != QMetaType::QString || b.typeId() != QMetaType::QString)
        return 0;
    const int order = QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
    return (order > 0) - (order < 0);
}

} // namespace cutils
