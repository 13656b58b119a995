#include "KeyChain.h"

#include "NetLog.h"

#include <QStringDecoder>

// libsecret's headers use "signals" as an identifier.
#undef signals
#include <libsecret/secret.h>

namespace {

const SecretSchema* genericPasswordSchema()
{
    static const SecretSchema schema = {"org.plumet.GenericPassword",
                                        SECRET_SCHEMA_DONT_MATCH_NAME,
                                        {
                                            {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        },
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// Takes ownership of a GError and turns it into words.
bool report(GError* gerror, QString* error)
{
    if (!gerror)
        return true;
    if (error)
        *error = QString::fromUtf8(gerror->message);
    qCWarning(lcNet, "keyring: %s", gerror->message);
    g_error_free(gerror);
    return false;
}

} // namespace

KeyChain& KeyChain::sharedInstance()
{
    static KeyChain keyChain;
    return keyChain;
}

QString KeyChain::serviceForAddress(const QString& address)
{
    return QStringLiteral("plumet : ") + address;
}

QString KeyChain::authServiceForAddress(const QString& address)
{
    return QStringLiteral("plumet(auth) : ") + address;
}

bool KeyChain::setGenericPassword(const QString& password, const QString& service,
                                  const QString& account, QString* error)
{
    if (service.isEmpty() || account.isEmpty())
        return true;
    if (password.isEmpty())
        return removeGenericPassword(service, account, error);
    const QByteArray serviceBytes = service.toUtf8();
    const QByteArray accountBytes = account.toUtf8();
    QByteArray secret = password.toUtf8();
    const QByteArray label = (service + QStringLiteral(" (") + account + QLatin1Char(')')).toUtf8();
    GError* gerror = nullptr;
    secret_password_store_sync(genericPasswordSchema(), SECRET_COLLECTION_DEFAULT,
                               label.constData(), secret.constData(), nullptr, &gerror, "service",
                               serviceBytes.constData(), "account", accountBytes.constData(),
                               nullptr);
    secret.fill('\0');
    if (gerror)
        return report(gerror, error);
    return true;
}

QString KeyChain::genericPassword(const QString& service, const QString& account,
                                  QString* error) const
{
    if (service.isEmpty() || account.isEmpty())
        return QLatin1String("");
    const QByteArray serviceBytes = service.toUtf8();
    const QByteArray accountBytes = account.toUtf8();
    GError* gerror = nullptr;
    SecretValue* value = secret_password_lookup_binary_sync(
        genericPasswordSchema(), nullptr, &gerror, "service", serviceBytes.constData(), "account",
        accountBytes.constData(), nullptr);
    if (!report(gerror, error) || !value)
        return QLatin1String("");
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString password = decoder.decode(QByteArrayView(bytes, static_cast<qsizetype>(length)));
    const bool valid = !decoder.hasError();
    secret_value_unref(value);
    if (!valid)
        return {};
    return password.isNull() ? QLatin1String("") : password;
}

bool KeyChain::removeGenericPassword(const QString& service, const QString& account, QString* error)
{
    if (service.isEmpty() || account.isEmpty())
        return true;
    const QByteArray serviceBytes = service.toUtf8();
    const QByteArray accountBytes = account.toUtf8();
    GError* gerror = nullptr;
    secret_password_clear_sync(genericPasswordSchema(), nullptr, &gerror, "service",
                               serviceBytes.constData(), "account", accountBytes.constData(),
                               nullptr);
    return report(gerror, error);
}
