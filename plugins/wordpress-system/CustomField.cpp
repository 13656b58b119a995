#include "CustomField.h"

CustomField::CustomField(const QVariantMap& dictionary)
    : m_cid(dictionary.value(QStringLiteral("id")).toString()),
      m_key(dictionary.value(QStringLiteral("key")).toString()),
      m_value(dictionary.value(QStringLiteral("value")).toString())
{
}

QVariantMap CustomField::dictionary() const
{
    QVariantMap dictionary;
    if (!m_cid.isEmpty())
        dictionary.insert(QStringLiteral("id"), m_cid);
    if (!m_key.isEmpty())
        dictionary.insert(QStringLiteral("key"), m_key);
    if (!m_value.isEmpty())
        dictionary.insert(QStringLiteral("value"), m_value);
    return dictionary;
}
