#include "PlistValue.h"

#include "PlistUid.h"
#include "ReferenceDate.h"

#include <cmath>
#include <limits>

namespace plist {

namespace {

std::optional<Kind> refuse(QString* problem, const QString& text)
{
    if (problem)
        *problem = text;
    return std::nullopt;
}

} // namespace

std::optional<Kind> kindOf(const QVariant& value, QString* problem)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Kind::Boolean;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::UInt:
        return Kind::Integer;
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong number = value.toULongLong();
        if (number > qulonglong(std::numeric_limits<qint64>::max()))
            return refuse(problem, QStringLiteral("the number %1 is too large").arg(number));
        return Kind::Integer;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        if (!std::isfinite(value.toDouble()))
            return refuse(problem, QStringLiteral("the number %1 is not finite")
                                       .arg(QString::number(value.toDouble())));
        return Kind::Real;
    case QMetaType::QString: {
        const QString* text = static_cast<const QString*>(value.constData());
        if (text->contains(QChar(0)))
            return refuse(problem, QStringLiteral("a text contains a NUL character"));
        return Kind::Text;
    }
    case QMetaType::QByteArray:
        return Kind::Data;
    case QMetaType::QDateTime: {
        const QDateTime* date = static_cast<const QDateTime*>(value.constData());
        if (!date->isValid())
            return refuse(problem, QStringLiteral("a date is invalid"));
        if (!dateFromReferenceSeconds(dateSeconds(*date)))
            return refuse(
                problem,
                QStringLiteral("the date %1 is out of range").arg(date->toString(Qt::ISODate)));
        return Kind::Date;
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return Kind::Array;
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return Kind::Dictionary;
    default:
        break;
    }
    if (value.metaType() == QMetaType::fromType<PlistUid>())
        return Kind::Uid;
    if (!value.isValid())
        return refuse(problem, QStringLiteral("a property list cannot hold an empty value"));
    return refuse(problem, QStringLiteral("a property list cannot hold a value of type %1")
                               .arg(QString::fromLatin1(value.metaType().name())));
}

qint64 integerOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        return qint64(value.toULongLong());
    default:
        return value.toLongLong();
    }
}

double dateSeconds(const QDateTime& date)
{
    // In floating point: a date far from 2001 would overflow a difference of
    // milliseconds before the range check could refuse it.
    return (double(date.toMSecsSinceEpoch()) - double(referenceDate().toMSecsSinceEpoch())) /
           1000.0;
}

QVariantMap dictionaryOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QVariantMap)
        return *static_cast<const QVariantMap*>(value.constData());
    return value.toMap();
}

QVariant dictionaryOrUid(QVariantMap map)
{
    if (map.size() == 1) {
        const QVariant uid = map.value(QStringLiteral("CF$UID"));
        if (uid.typeId() == QMetaType::LongLong && uid.toLongLong() >= 0)
            return QVariant::fromValue(PlistUid{quint64(uid.toLongLong())});
    }
    return map;
}

} // namespace plist
