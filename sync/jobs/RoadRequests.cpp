#include "RoadRequests.h"

#include "Account.h"
#include "AtomDecoder.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "TextDecoding.h"
#include "XMLRPCDecoder.h"

namespace RoadRequests {

QVariantMap login(Account& account)
{
    return {{QStringLiteral("username"), account.username()},
            {QStringLiteral("password"), account.password()}};
}

RESTCall* atomCall(Account& account, PLUMETPluginProtocol& plugin, const QUrl& address,
                   const QByteArray& method, RESTDelegate* delegate, QObject* parent,
                   double timeOutSeconds, const QByteArray& body, const QByteArray& contentType)
{
    if (!address.isValid() || address.isEmpty() || address.host().isEmpty())
        return nullptr;
    auto* call = new RESTCall(address, delegate, parent);
    call->setTimeOut(timeOutSeconds);
    call->setMethod(method);
    if (!body.isEmpty())
        call->setData(body, contentType);
    const QVariantMap headers =
        plugin.authenticationHeaders(address, account.username(), account.password());
    if (!headers.isEmpty())
        call->addHeaders(RESTCall::headerList(headers));
    return call;
}

DecodeResult decodeAnswer(const QByteArray& data, bool atom, const QUrl& address)
{
    const QByteArray text = data.isEmpty() ? QByteArray() : URLUtilities::correctEncoding(data);
    if (text.isEmpty())
        return DecodeResult::refusal(DecodeResult::Error::EmptyData, noData());
    return atom ? AtomDecoder::decode(text, address) : XMLRPCDecoder::decode(text);
}

DecodeResult decodeAnswer(RESTCall& call, bool atom)
{
    if (call.answerSize() == 0)
        return DecodeResult::refusal(DecodeResult::Error::EmptyData, noData());
    if (!atom && call.readsXmlRpcAnswer())
        return call.takeXmlRpcAnswer();
    return decodeAnswer(call.restData(), atom, call.url());
}

QString xmlrpcRequestFailed()
{
    return localized("Account", "For some obscure reason an XML-RPC request could not be made.");
}

QString noData()
{
    return localized("Account", "The server did not return data.");
}

QString invalidData()
{
    return localized("Account", "The response from the server did not contain valid data.");
}

} // namespace RoadRequests
