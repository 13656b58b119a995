#include "BusBounds.h"

#include "AppLog.h"

#include <QDBusContext>
#include <QDBusError>
#include <QFile>
#include <QMetaType>

namespace BusBounds {

std::optional<QString> pathRefusal(const QString& path)
{
    // Encoding a path far too long for any file system is not worth the time.
    if (path.size() > MaxPathBytes || QFile::encodeName(path).size() > MaxPathBytes)
        return QStringLiteral("The path is longer than %1 bytes.").arg(MaxPathBytes);
    return std::nullopt;
}

std::optional<QString> urlRefusal(const QString& url)
{
    if (url.size() > MaxUrlLength)
        return QStringLiteral("The address is longer than %1 characters.").arg(MaxUrlLength);
    return std::nullopt;
}

std::optional<QString> textRefusal(const QString& text)
{
    if (text.size() > MaxTextLength)
        return QStringLiteral("The text is longer than %1 characters.").arg(MaxTextLength);
    return std::nullopt;
}

qsizetype fieldsLength(const QVariantMap& fields)
{
    qsizetype total = 0;
    for (const QVariant& value : fields) {
        if (value.metaType().id() == QMetaType::QString)
            total += value.toString().size();
    }
    return total;
}

std::optional<QString> fieldsRefusal(const QVariantMap& fields, qsizetype maxEach,
                                     qsizetype maxTotal)
{
    if (fields.size() > MaxFields)
        return QStringLiteral("The item has more than %1 fields.").arg(MaxFields);
    qsizetype total = 0;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (it.key().size() > MaxFieldNameLength)
            return QStringLiteral("A field name is longer than %1 characters.")
                .arg(MaxFieldNameLength);
        const int type = it.value().metaType().id();
        const bool scalar = type == QMetaType::Bool || type == QMetaType::Int ||
                            type == QMetaType::UInt || type == QMetaType::LongLong ||
                            type == QMetaType::ULongLong || type == QMetaType::Double ||
                            type == QMetaType::Short || type == QMetaType::UShort ||
                            type == QMetaType::UChar;
        if (type != QMetaType::QString && !scalar)
            return QStringLiteral("The field \"%1\" is not a text.").arg(it.key());
        const qsizetype length = type == QMetaType::QString ? it.value().toString().size() : 0;
        if (length > maxEach)
            return QStringLiteral("The field \"%1\" is longer than %2 characters.")
                .arg(it.key())
                .arg(maxEach);
        total += length;
    }
    if (total > maxTotal)
        return QStringLiteral("The item's fields hold more than %1 characters.").arg(maxTotal);
    return std::nullopt;
}

void refuse(QDBusContext& context, const QString& method, const QString& reason)
{
    qCWarning(lcApp).noquote() << "refused" << method << "from the session bus:" << reason;
    if (context.calledFromDBus())
        context.sendErrorReply(QDBusError::LimitsExceeded, reason);
}

} // namespace BusBounds
