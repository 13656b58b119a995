#include "EntityTables.h"

#include "UtilitiesLog.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

// Must stand outside any namespace: it declares the resource's init function.
static void initUtilitiesResources()
{
    Q_INIT_RESOURCE(utilities);
}

namespace rv {

namespace {

QJsonObject readTable(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcUtilities, "RVUtilities: cannot read %s", qPrintable(path));
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

EntityTables::EntityTables()
{
    initUtilitiesResources();
    const QJsonObject named = readTable(QStringLiteral(":/rvutilities/named-entities.json"));
    for (auto it = named.begin(); it != named.end(); ++it)
        m_named.insert(it.key(), char32_t(it.value().toInt()));
    const QJsonObject numeric = readTable(QStringLiteral(":/rvutilities/numeric-entities.json"));
    for (auto it = numeric.begin(); it != numeric.end(); ++it)
        m_numeric.insert(char32_t(it.key().toUInt()), char32_t(it.value().toInt()));
}

const EntityTables& EntityTables::sharedInstance()
{
    static const EntityTables tables; // C++ guarantees a single, thread-safe construction
    return tables;
}

} // namespace rv
