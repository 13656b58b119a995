#include "XmlRpcCall.h"

#include "JobsLog.h"
#include "RESTCall.h"
#include "XMLRPCEncoder.h"

#include <QDebug>

namespace XmlRpcCall {

RESTCall* make(const QUrl& endpoint, const Request& request, RESTDelegate* delegate,
               QObject* parent, double timeOutSeconds, QString* error)
{
    XMLRPCEncoder encoder;
    encoder.setMethod(request.method);
    encoder.setObjects(request.objects);
    encoder.setKeys(request.keys);
    encoder.setConvertUTC(request.convertUTC);
    QString refusal;
    const QByteArray document = encoder.document(&refusal);
    if (document.isEmpty() || !endpoint.isValid() || endpoint.isEmpty()) {
        qCWarning(lcJobs).noquote() << "No XML-RPC request for" << request.method << refusal;
        if (error)
            *error = document.isEmpty() ? refusal : QString();
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
