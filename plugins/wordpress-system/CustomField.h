#pragma once

#include <QString>
#include <QVariantMap>

// One WordPress custom field: the server's id, a key and a value. An empty
// text stands for a field that is not set.
class CustomField {
public:
    CustomField() = default;
    // "id", "key" and "value" of a server dictionary; absent ones stay empty.
    explicit CustomField(const QVariantMap& dictionary);

    QString cid() const { return m_cid; }
    void setCid(const QString& cid) { m_cid = cid; }
    QString key() const { return m_key; }
    void setKey(const QString& key) { m_key = key; }
    QString value() const { return m_value; }
    void setValue(const QString& value) { m_value = value; }

    // WordPress keeps its own fields under keys that begin with "_".
    bool isPrivate() const { return m_key.startsWith(QLatin1Char('_')); }

    // "id", "key" and "value" for the fields that are set.
    QVariantMap dictionary() const;

private:
    QString m_cid;
    QString m_key;
    QString m_value;
};
