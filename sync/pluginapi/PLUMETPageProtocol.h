#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QtPlugin>

// The optional page builders of a blog-system driver. A driver that also
// implements this interface supports pages; the host asks with qobject_cast.
// The builders work as the post builders of PLUMETPluginProtocol.
class PLUMETPageProtocol {
public:
    virtual ~PLUMETPageProtocol() = default;

    virtual void xmlrpcPageListRequest(QVariantMap& objects, QStringList& keys,
                                       QString& method) = 0;
    virtual void xmlrpcPublishPageRequest(QVariantMap& objects, QStringList& keys, QString& method,
                                          bool edit, const QVariantMap& extra) = 0;
    virtual void xmlrpcRetrievePageRequest(QVariantMap& objects, QStringList& keys,
                                           QString& method) = 0;
    virtual void xmlrpcDeletePageRequest(QVariantMap& objects, QStringList& keys,
                                         QString& method) = 0;
};

#define PLUMETPageProtocol_iid "org.plumet.PLUMETPageProtocol/3.0"
Q_DECLARE_INTERFACE(PLUMETPageProtocol, PLUMETPageProtocol_iid)
