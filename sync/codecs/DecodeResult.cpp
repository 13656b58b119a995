#include "DecodeResult.h"

#include <QCoreApplication>

DecodeResult DecodeResult::fromValue(QVariant value)
{
    DecodeResult result;
    result.m_value = std::move(value);
    return result;
}

DecodeResult DecodeResult::fromServerFault(QVariant faultStructure)
{
    DecodeResult result;
    result.m_value = std::move(faultStructure);
    result.m_serverFault = true;
    return result;
}

DecodeResult DecodeResult::refusal(Error error, QString message)
{
    DecodeResult result;
    result.m_error = error;
    result.m_message = std::move(message);
    return result;
}

DecodeResult DecodeResult::unexpectedData()
{
    return refusal(
        Error::UnexpectedData,
        QCoreApplication::translate("XMLRPCDecoder",
                                    "Unexpected data from server. Is the access point correct?"));
}

QVariant DecodeResult::faultCode() const
{
    if (!m_serverFault || m_value.typeId() != QMetaType::QVariantMap)
        return {};
    return m_value.toMap().value(QStringLiteral("faultCode"));
}

QString DecodeResult::faultString() const
{
    if (m_error != Error::None)
        return m_message;
    if (!m_serverFault)
        return {};
    if (m_value.typeId() == QMetaType::QVariantMap) {
        const QVariant text = m_value.toMap().value(QStringLiteral("faultString"));
        if (text.typeId() == QMetaType::QString)
            return text.toString();
        if (text.typeId() == QMetaType::QVariantList && !text.toList().isEmpty())
            return text.toList().constFirst().toString();
    }
    return QCoreApplication::translate("XMLRPCDecoder", "Unknown error.");
}
