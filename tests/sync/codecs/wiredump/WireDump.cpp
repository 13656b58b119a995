#include "WireDump.h"

#include "AtomDecoder.h"
#include "GenericParser.h"
#include "RSD.h"
#include "XMLRPCDecoder.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

WireDump::Output json(const QJsonValue& value)
{
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return {0, document.toJson(QJsonDocument::Indented)};
}

WireDump::Output failure(const QString& message)
{
    return {1, message.toUtf8() + '\n'};
}

WireDump::Output xmlrpc(const QByteArray& document)
{
    const DecodeResult result = XMLRPCDecoder::decode(document);
    if (result.error() != DecodeResult::Error::None)
        return failure(result.errorMessage());
    QJsonObject object{{"value", WireDump::toJson(result.value())},
                       {"isFault", result.isFault()},
                       {"faultCode", WireDump::toJson(result.faultCode())},
                       {"faultString", result.isFault() ? QJsonValue(result.faultString())
                                                        : QJsonValue(QJsonValue::Null)}};
    return json(object);
}

WireDump::Output atom(const QByteArray& document)
{
    const DecodeResult result = AtomDecoder::decode(document);
    if (result.isFault())
        return failure(result.faultString());
    return json(WireDump::toJson(result.value()));
}

WireDump::Output rsd(const QByteArray& document)
{
    RSD parser = RSD::fromData(document);
    if (!parser.parseRSD())
        return failure(parser.errorString());
    return json(WireDump::toJson(parser.parsedDictionary()));
}

WireDump::Output head(const QByteArray& document)
{
    GenericParser parser = GenericParser::fromData(document);
    if (!parser.extractMeta() && !parser.errorString().isEmpty())
        return failure(parser.errorString());
    QJsonArray links;
    for (const QVariantMap& link : parser.parsedArray())
        links.append(WireDump::toJson(link));
    return json(links);
}

} // namespace

WireDump::Output WireDump::run(QByteArrayView kind, const QByteArray& document)
{
    if (kind == "xmlrpc")
        return xmlrpc(document);
    if (kind == "atom")
        return atom(document);
    if (kind == "rsd")
        return rsd(document);
    if (kind == "head")
        return head(document);
    return {2, "usage: wiredump xmlrpc|atom|rsd|head < document\n"};
}

QJsonValue WireDump::toJson(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QJsonValue::Null;
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            object.insert(it.key(), toJson(it.value()));
        return object;
    }
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& element : value.toList())
            array.append(toJson(element));
        return array;
    }
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(Qt::ISODateWithMs);
    case QMetaType::QByteArray:
        return QJsonObject{{"base64", QString::fromLatin1(value.toByteArray().toBase64())}};
    default:
        return value.toString();
    }
}
