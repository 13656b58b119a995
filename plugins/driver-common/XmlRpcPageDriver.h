#pragma once

#include "PLUMETPageProtocol.h"
#include "XmlRpcDriver.h"

// An XML-RPC driver that also offers pages through the wp.* page calls.
class XmlRpcPageDriver : public XmlRpcDriver, public PLUMETPageProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETPluginProtocol PLUMETPageProtocol)

public:
    using XmlRpcDriver::XmlRpcDriver;

    void xmlrpcPageListRequest(QVariantMap& objects, QStringList& keys, QString& method) override;
    void xmlrpcPublishPageRequest(QVariantMap& objects, QStringList& keys, QString& method,
                                  bool edit, const QVariantMap& extra) override;
    void xmlrpcRetrievePageRequest(QVariantMap& objects, QStringList& keys,
                                   QString& method) override;
    void xmlrpcDeletePageRequest(QVariantMap& objects, QStringList& keys, QString& method) override;
};
