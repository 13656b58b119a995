#include "AtomDriver.h"

#include "AtomBlogList.h"
#include "AtomEntryDocument.h"
#include "Wsse.h"

#include <QCoreApplication>

AtomDriver::AtomDriver(QObject* parent)
    : QObject(parent), m_clock([] { return QDateTime::currentDateTimeUtc(); }),
      m_nonceSource(&Wsse::randomNonce)
{
}

QString AtomDriver::pluginDescription() const
{
    return QCoreApplication::translate(
        "", "Generic plugin for blog systems that support the Atom 1.0 publishing protocol.");
}

QVariantMap AtomDriver::authenticationHeaders(const QUrl&, const QString& username,
                                              const QString& password)
{
    if (username.isNull() || password.isNull())
        return {};
    return Wsse::headers(username, password, m_clock(), m_nonceSource());
}

QVariantList AtomDriver::processBloglist(const QVariant& document)
{
    return atomBlogList(document);
}

QString AtomDriver::atomPublishRequest(const QUrl&, const QVariantMap& data,
                                       const TextEncoder& encoder, bool, const QVariantMap&)
{
    return atomEntryDocument(data, encoder);
}
