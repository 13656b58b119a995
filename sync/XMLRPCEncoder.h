#pragma once

#include <QByteArray>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <optional>

// Writes one XML-RPC methodCall: a method name and named parameters put in
// wire order by a list of names. Values are QVariant trees: lists become
// arrays, maps structs, bool "boolean", whole numbers "i4", fractional numbers
// "double", strings "string", QDateTime "dateTime.iso8601", QByteArray
// "base64"; anything else is written as its string form.
//
// The layout (tabs, line feeds, no escaping of method and member names, only
// "&", "<" and ">" escaped) is the one servers have been answering for years;
// characters XML 1.0 cannot carry are left out of string values, since a
// single one makes servers reject the whole call.
class XMLRPCEncoder {
public:
    void setMethod(const QString& method) { m_method = method; }
    const QString& method() const { return m_method; }

    // Parameter values by name. Without objects or keys no params block is written.
    void setObjects(const QVariantMap& objects) { m_objects = objects; }
    QVariantMap objects() const { return m_objects.value_or(QVariantMap()); }
    void clearObjects() { m_objects.reset(); }

    // Parameter names in wire order; a name without a value is left out.
    void setKeys(const QStringList& keys) { m_keys = keys; }
    QStringList keys() const { return m_keys.value_or(QStringList()); }
    void clearKeys() { m_keys.reset(); }

    // Dates written as UTC with a trailing "Z" instead of local wall-clock time.
    void setConvertUTC(bool convert) { m_convertUTC = convert; }
    bool convertUTC() const { return m_convertUTC; }

    // The UTF-8 document; empty when no method name is set.
    QByteArray document() const;

    // The document, after writing a masked copy of the request (see
    // ConsoleMasking.h) to the network console. The endpoint only appears in
    // that copy. Empty, and nothing logged, when no method name is set.
    QByteArray encode(const QUrl& endpoint) const;

private:
    QString documentText() const;
    void encodeObject(QString& out, const QVariant& value) const;
    void encodeArray(QString& out, const QVariantList& list) const;
    void encodeDictionary(QString& out, const QVariantMap& map) const;
    void encodeNumber(QString& out, const QVariant& number) const;

    QString m_method;
    std::optional<QVariantMap> m_objects;
    std::optional<QStringList> m_keys;
    bool m_convertUTC = false;
};
