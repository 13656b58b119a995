#include "Genetic.h"

#include "Localization.h"
#include "ModelLog.h"
#include "StringExtensions.h"

#include <QDebug>
#include <QLocale>
#include <utility>

Genetic::Genetic(QObject* parent) : ModelRecord(parent) {}

Genetic::~Genetic() = default;

QString Genetic::untitled()
{
    return localized("Draft", "Untitled");
}

void Genetic::setUniqueID(const QString& id)
{
    const QString previous = std::exchange(m_uniqueID, id);
    announce(QStringLiteral("uniqueID"));
    uniqueIDChanged(previous);
}

void Genetic::setUniqueIDValue(const QVariant& id)
{
    const QString previous = m_uniqueID;
    if (!id.isValid() || id.isNull()) {
        m_uniqueID.clear();
    } else if (id.typeId() == QMetaType::QString) {
        m_uniqueID = id.toString();
    } else if (id.typeId() == QMetaType::Int || id.typeId() == QMetaType::LongLong ||
               id.typeId() == QMetaType::UInt || id.typeId() == QMetaType::Bool) {
        m_uniqueID = QString::number(id.toLongLong());
    } else if (id.typeId() == QMetaType::ULongLong) {
        m_uniqueID = QString::number(id.toULongLong());
    } else if (id.typeId() == QMetaType::Double || id.typeId() == QMetaType::Float) {
        // The shortest text that reads back as the same number: 42.0 is "42", 0.1 "0.1".
        m_uniqueID = QString::number(id.toDouble(), 'g', QLocale::FloatingPointShortest);
    } else {
        qCWarning(lcModel).noquote() << "Invalid argument for unique ID!";
    }
    announce(QStringLiteral("uniqueID"));
    uniqueIDChanged(previous);
}

void Genetic::setTitle(const QString& title)
{
    const QString stored = title.isEmpty() ? untitled() : title;
    storeTitle(stored, rv::trimHTML(rv::decodeXML(stored)));
}

void Genetic::storeTitle(const QString& title, const QString& displayName)
{
    m_title = title;
    announce(QStringLiteral("title"));
    setDisplayName(displayName);
}

void Genetic::setDisplayName(const QString& name)
{
    m_displayName = name;
    announce(QStringLiteral("displayName"));
}

void Genetic::setFoundOnServer(bool found)
{
    m_foundOnServer = found;
    announce(QStringLiteral("foundOnServer"));
    foundOnServerChanged();
}

bool Genetic::titleLessThan(const Genetic& left, const Genetic& right)
{
    return left.title().compare(right.title(), Qt::CaseInsensitive) < 0;
}
