#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

class QObject;
class RESTCall;
class RESTDelegate;

// One XML-RPC request of a road, made ready to start: the method call
// written by XMLRPCEncoder, POSTed as "text/xml" with the given time-out, its
// console copy masked. Null when the call cannot be written (no method, a
// value XML-RPC cannot carry); `error` then holds the encoder's refusal, which
// names the value, or stays empty when the caller must say it in its own words.
namespace XmlRpcCall {

struct Request {
    QString method;
    QVariantMap objects;
    QStringList keys;
    bool convertUTC = false;
};

RESTCall* make(const QUrl& endpoint, const Request& request, RESTDelegate* delegate,
               QObject* parent, double timeOutSeconds = 60, QString* error = nullptr);

} // namespace XmlRpcCall
