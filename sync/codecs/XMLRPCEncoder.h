#pragma once

#include <QByteArray>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <optional>

// Writes one XML-RPC methodCall: a method name and named parameters put in
// wire order by a list of names. Values are QVariant trees: lists become
// arrays, maps structs, bool "boolean", whole numbers "i4", fractional numbers
// "double" (in plain decimal, as the protocol wants), strings "string",
// QDateTime "dateTime.iso8601", QByteArray "base64"; anything else is written
// as its string form. A struct member without a value is an empty string.
//
// The layout (tabs, line feeds, no escaping of method and member names, only
// "&", "<" and ">" escaped) is the one servers have been answering for years;
// characters XML 1.0 cannot carry are left out of string values, since a
// single one makes servers reject the whole call.
//
// The document is written as UTF-8 bytes from the start, Base64 payloads
// straight into it, so that an upload costs little more than its own size.
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

    // The UTF-8 document; empty when no method name is set, or when a value
    // cannot be written (a number that is not finite), and then `error`, when
    // given, says which.
    QByteArray document(QString* error = nullptr) const;

    // What the network console shows of this request, given its document:
    // "Request with URL:\n", the masked endpoint, "\nand data:\n", the document
    // with its first Base64 value cut out and the "password" parameter masked
    // (see ConsoleMasking.h), and "\n\n". Empty when the document is. The
    // encoder writes nowhere: the HTTP call that sends the document logs this
    // copy with its answer.
    QString consoleCopy(const QUrl& endpoint, const QByteArray& document) const;

private:
    class Writer;

    QString m_method;
    std::optional<QVariantMap> m_objects;
    std::optional<QStringList> m_keys;
    bool m_convertUTC = false;
};
