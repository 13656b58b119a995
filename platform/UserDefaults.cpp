#include "UserDefaults.h"

#include <QDebug>
#include <QDir>
#include <QMutexLocker>
#include <QStandardPaths>
#include <optional>

namespace {

// QSettings keeps most values faithfully, but reads a one-element list back
// as a text, an empty list as nothing, and cannot stream our colour type.
// Those are stored inside one-key dictionaries, which it keeps exactly.
const QString ListEnvelope = QStringLiteral("@list");
const QString ColorEnvelope = QStringLiteral("@color");

QVariant wrapColors(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<rv::Color>()) {
        const rv::Color color = value.value<rv::Color>();
        return QVariantMap{
            {ColorEnvelope, QVariantList{color.red(), color.green(), color.blue(), color.alpha()}}};
    }
    switch (value.metaType().id()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QVariantList list;
        for (const QVariant& item : value.toList())
            list.append(wrapColors(item));
        return list;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QVariantMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it)
            map.insert(it.key(), wrapColors(it.value()));
        return map;
    }
    default:
        return value;
    }
}

QVariant toStored(const QVariant& value)
{
    const QVariant wrapped = wrapColors(value);
    const int type = value.metaType().id();
    if (type == QMetaType::QVariantList || type == QMetaType::QStringList)
        return QVariantMap{{ListEnvelope, wrapped}};
    return wrapped;
}

QVariant fromStored(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant& item : value.toList())
            list.append(fromStored(item));
        return list;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        if (map.size() == 1 && map.contains(ListEnvelope))
            return fromStored(map.value(ListEnvelope).toList());
        if (map.size() == 1 && map.contains(ColorEnvelope)) {
            const QVariantList parts = map.value(ColorEnvelope).toList();
            if (parts.size() == 4)
                return QVariant::fromValue(rv::Color(parts[0].toDouble(), parts[1].toDouble(),
                                                     parts[2].toDouble(), parts[3].toDouble()));
        }
        QVariantMap result;
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            result.insert(it.key(), fromStored(it.value()));
        return result;
    }
    default:
        return value;
    }
}

// Numbers and booleans come back from the INI file as text.
std::optional<bool> booleanFromText(const QString& text)
{
    const QString lower = text.trimmed().toLower();
    if (lower == QLatin1String("true") || lower == QLatin1String("yes"))
        return true;
    if (lower == QLatin1String("false") || lower == QLatin1String("no"))
        return false;
    bool ok = false;
    const double number = lower.toDouble(&ok);
    return ok ? std::optional<bool>(number != 0.0) : std::nullopt;
}

std::optional<qint64> integerFromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qint64 number = trimmed.toLongLong(&ok);
    if (ok)
        return number;
    const double real = trimmed.toDouble(&ok);
    return ok ? std::optional<qint64>(qint64(real)) : std::nullopt;
}

std::optional<double> realFromText(const QString& text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

// A stored text is given the type of its factory value when it reads as one.
QVariant withFactoryType(const QVariant& stored, const QVariant& factory)
{
    if (stored.metaType().id() != QMetaType::QString || !factory.isValid())
        return stored;
    const QString text = stored.toString();
    const auto orStored = [&stored](const auto& converted) {
        return converted ? QVariant(*converted) : stored;
    };
    switch (factory.metaType().id()) {
    case QMetaType::Bool:
        return orStored(booleanFromText(text));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return orStored(integerFromText(text));
    case QMetaType::Double:
    case QMetaType::Float:
        return orStored(realFromText(text));
    default:
        return stored;
    }
}

QString standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/plumet/plumet.conf");
}

} // namespace

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent), settings_(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standard()
{
    static UserDefaults* instance = new UserDefaults(standardPath());
    return *instance;
}

QString UserDefaults::filePath() const
{
    return settings_->fileName();
}

void UserDefaults::registerDefaults(const QVariantMap& factory)
{
    QMutexLocker lock(&mutex_);
    for (auto it = factory.cbegin(); it != factory.cend(); ++it)
        factory_.insert(it.key(), it.value());
}

QVariant UserDefaults::value(const QString& key) const
{
    QMutexLocker lock(&mutex_);
    const QVariant factory = factory_.value(key);
    if (!settings_->contains(key))
        return factory;
    return withFactoryType(fromStored(settings_->value(key)), factory);
}

QString UserDefaults::string(const QString& key) const
{
    const QVariant stored = value(key);
    if (stored.metaType().id() == QMetaType::QVariantList ||
        stored.metaType().id() == QMetaType::QVariantMap)
        return {};
    return stored.toString();
}

qint64 UserDefaults::integer(const QString& key) const
{
    const QVariant stored = value(key);
    if (stored.metaType().id() == QMetaType::QString)
        return integerFromText(stored.toString()).value_or(0);
    return stored.toLongLong();
}

double UserDefaults::real(const QString& key) const
{
    const QVariant stored = value(key);
    if (stored.metaType().id() == QMetaType::QString)
        return realFromText(stored.toString()).value_or(0.0);
    return stored.toDouble();
}

bool UserDefaults::boolean(const QString& key) const
{
    const QVariant stored = value(key);
    if (stored.metaType().id() == QMetaType::QString)
        return booleanFromText(stored.toString()).value_or(false);
    return stored.toBool();
}

QByteArray UserDefaults::data(const QString& key) const
{
    const QVariant stored = value(key);
    return stored.metaType().id() == QMetaType::QByteArray ? stored.toByteArray() : QByteArray();
}

rv::Color UserDefaults::color(const QString& key, const rv::Color& fallback) const
{
    const QVariant stored = value(key);
    return stored.metaType() == QMetaType::fromType<rv::Color>() ? stored.value<rv::Color>()
                                                                 : fallback;
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    if (!value.isValid()) {
        remove(key);
        return;
    }
    {
        QMutexLocker lock(&mutex_);
        settings_->setValue(key, toStored(value));
        // Written at once: a preference must survive a crash right after.
        settings_->sync();
        if (settings_->status() != QSettings::NoError)
            qWarning().noquote() << "The preferences could not be saved to"
                                 << QDir::toNativeSeparators(settings_->fileName());
    }
    emit changed(key);
}

void UserDefaults::remove(const QString& key)
{
    {
        QMutexLocker lock(&mutex_);
        if (!settings_->contains(key))
            return;
        settings_->remove(key);
        settings_->sync();
    }
    emit changed(key);
}
