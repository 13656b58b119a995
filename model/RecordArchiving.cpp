#include "RecordArchiving.h"

#include <QBuffer>
#include <QImage>

namespace RecordArchiving {

QVariant encodableImage(const QVariant& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.value<QImage>().save(&buffer, "PNG"))
        return {};
    return bytes;
}

QVariant decodeValue(KeyedUnarchiver& coder, const QString& key, StoredKind kind)
{
    auto wrongKind = [&coder, &key] {
        coder.warn(QStringLiteral("the key \"%1\" holds a value of the wrong kind").arg(key));
        return QVariant();
    };
    switch (kind) {
    case StoredKind::String: {
        const QVariant value = coder.decodeObject(key);
        return value.typeId() == QMetaType::QString ? value : wrongKind();
    }
    case StoredKind::Number: {
        const QVariant value = coder.decodeObject(key);
        return StoredValue::isNumber(value) ? value : wrongKind();
    }
    case StoredKind::Date: {
        const QDateTime date = coder.decodeDate(key);
        return date.isValid() ? QVariant(date) : QVariant();
    }
    case StoredKind::StringList: {
        const QVariant value = coder.decodeObject(key);
        if (value.typeId() != QMetaType::QVariantList)
            return wrongKind();
        QStringList strings;
        for (const QVariant& item : value.toList()) {
            if (item.typeId() != QMetaType::QString)
                return wrongKind();
            strings.append(item.toString());
        }
        return strings;
    }
    case StoredKind::PlainList: {
        const QVariant value = coder.decodeObject(key);
        return value.typeId() == QMetaType::QVariantList ? value : wrongKind();
    }
    case StoredKind::Dictionary: {
        const QVariant value = coder.decodeObject(key);
        return value.typeId() == QMetaType::QVariantMap ? value : wrongKind();
    }
    case StoredKind::Color: {
        const auto color = coder.decodeColor(key);
        return color ? QVariant::fromValue(*color) : QVariant();
    }
    case StoredKind::Image: {
        const QImage image = QImage::fromData(coder.decodeData(key));
        return image.isNull() ? QVariant() : QVariant(image);
    }
    case StoredKind::CategoryList:
        return QVariant::fromValue(CategoryList(coder.decodeRecords<Category>(key)));
    case StoredKind::PingList:
        return QVariant::fromValue(PingList(coder.decodeRecords<Ping>(key)));
    case StoredKind::Template: {
        auto record = coder.decodeRecord<Template>(key);
        return record ? QVariant::fromValue(record) : QVariant();
    }
    }
    return {};
}

} // namespace RecordArchiving
