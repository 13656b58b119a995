#include "XmlRpcCall.h"

#include "JobsLog.h"
#include "RESTCall.h"
#include "XMLRPCEncoder.h"

#include <QDebug>

namespace XmlRpcCall {

RESTCall* make(const QUrl& endpoint, const Request& request, RESTDelegate* delegate,
               QObject* parent, double timeOutSeconds)
{
    XMLRPCEncoder encoder;
    encoder.setMethod(request.method);
    encoder.setObjects(request.objects);
    encoder.setKeys(request.keys);
    encoder.setConvertUTC(request.convertUTC);
    QString error;
    const QByteArray document = encoder.document(&error);
    if (document.isEmpty() || !endpoint.isValid() || endpoint.isEmpty()) {
        qCWarning(lcJobs).noquote() << "No XML-RPC request for" << request.method << error;
        return nullptr;
    }
    auto* call = new RESTCall(endpoint, delegate, parent);
    call->setTimeOut(timeOutSeconds);
    call->setMethod("POST");
    call->setData(document, "text/xml");
    call->setConsoleCopy(encoder.consoleCopy(endpoint, document));
    return call;
}

} // namespace XmlRpcCall
