// The value of an XML-RPC scalar element from its type and its text.
#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QTimeZone>
#include <QVariant>
#include <optional>

// Decodes the scalars of one answer: strings as they are; integers, 64-bit
// integers and doubles as the servers write them (XmlRpcText); booleans true
// for "1" alone; dates in the forms XMLRPCDates reads, local time where no
// zone is named (nothing for an unreadable date); base64 as its bytes.
class XmlRpcScalarDecoder {
public:
    enum class Type : quint8 { String, Int, Int64, Double, Boolean, Date, Base64 };

    QVariant decode(Type type, const QString& text);
    // A base64 scalar's bytes, from its text or straight from the document's
    // bytes where they hold nothing but the text.
    static QVariant base64(QByteArrayView encoded);
    static QVariant base64(const QString& encoded);

private:
    // A post's dates are often the same text (created and modified, each
    // also in UTC): each text is read once per answer.
    QVariant date(const QString& text);

    std::optional<QTimeZone> m_localZone; // made on the first date without a zone
    QHash<QString, QVariant> m_dates;     // date texts read, and what they gave
};
