#include "UserDefaults.h"

#include "Localization.h"
#include "PlatformLog.h"
#include "UnreadableFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QStandardPaths>
#include <limits>
#include <optional>
#include <sys/stat.h>

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

// A real number as an integer, toward zero; nothing when it lies outside what
// 64 bits hold or is not a number at all ("1e30" in a hand-edited file).
std::optional<qint64> integerFromReal(double real)
{
    // 2^63 is exact as a double; every double below it converts without overflow.
    constexpr double limit = 9223372036854775808.0;
    if (!(real >= -limit && real < limit))
        return std::nullopt;
    return qint64(real);
}

std::optional<qint64> integerFromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qint64 number = trimmed.toLongLong(&ok);
    if (ok)
        return number;
    const double real = trimmed.toDouble(&ok);
    return ok ? integerFromReal(real) : std::nullopt;
}

std::optional<qint64> integerFromValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return integerFromText(value.toString());
    case QMetaType::Double:
    case QMetaType::Float:
        return integerFromReal(value.toDouble());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        if (value.toULongLong() > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return value.toLongLong();
    default: {
        bool ok = false;
        const qint64 number = value.toLongLong(&ok);
        return ok ? std::optional<qint64>(number) : std::nullopt;
    }
    }
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

// The preferences name blogs and servers: their folder is the user's alone. QSettings
// would make a missing one readable by everyone.
void makeFolderPrivateWhenMissing(const QString& filePath)
{
    const QFileInfo folder(QFileInfo(filePath).absolutePath());
    if (folder.exists() || folder.isSymLink())
        return;
    QDir().mkpath(QFileInfo(folder.absoluteFilePath()).absolutePath());
    QDir().mkdir(folder.absoluteFilePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// QSettings reads whatever stands at the path, and all of it: a FIFO would hold the
// start before any window, a link to a device would be read without end, a file of
// gigabytes would be held in memory whole. Such a thing is moved out of the way, the
// preferences start from their factory values, and the answer says so.
QString moveAsideUnlessUsable(const QString& filePath)
{
    struct stat status {};
    if (::stat(QFile::encodeName(filePath).constData(), &status) != 0)
        return {};
    QString reason;
    if (!S_ISREG(status.st_mode))
        reason = localized("Files", "it is not a regular file");
    else if (status.st_size > UserDefaults::MaxFileSize)
        reason = localized("Files", "it is too large: %1 bytes, at most %2")
                     .arg(qint64(status.st_size))
                     .arg(UserDefaults::MaxFileSize);
    else
        return {};
    QString report;
    UnreadableFile::moveAside(filePath, reason, &report);
    return report;
}

} // namespace

UserDefaults::UserDefaults(const QString& filePath, QObject* parent) : QObject(parent)
{
    makeFolderPrivateWhenMissing(filePath);
    m_loadReport = moveAsideUnlessUsable(filePath);
    settings_ = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::sharedInstance()
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
    // A stored value no integer can stand for gives way to the factory value.
    if (const auto number = integerFromValue(value(key)))
        return *number;
    QMutexLocker lock(&mutex_);
    return integerFromValue(factory_.value(key)).value_or(0);
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
    if (stored.metaType() == QMetaType::fromType<rv::Color>())
        return stored.value<rv::Color>();
    if (stored.metaType().id() == QMetaType::QString) {
        const QString text = stored.toString().trimmed();
        static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{6}|[0-9A-Fa-f]{8})$"));
        if (hex.match(text).hasMatch())
            return rv::Color::fromQColor(QColor::fromString(text));
    }
    return fallback;
}

void UserDefaults::setColor(const QString& key, const rv::Color& color)
{
    setValue(key, color.toQColor().name(QColor::HexArgb));
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
        // The status keeps the first problem met since the file was opened: a
        // damaged line read at start stays a FormatError after every good
        // save. Only a write that failed is an AccessError.
        if (settings_->status() == QSettings::AccessError)
            qCWarning(lcPlatform).noquote() << "The preferences could not be saved to"
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
