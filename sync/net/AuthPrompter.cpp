#include "AuthPrompter.h"

#include <QCoreApplication>

AuthPrompter::~AuthPrompter() = default;

QString AuthPrompter::captionFor(const QString& address, const QString& realm)
{
    const QString caption = QCoreApplication::translate(
                                "RESTCall", "You need authentication to access the address \"%1\".")
                                .arg(address);
    if (realm.isEmpty())
        return caption;
    return caption + QLatin1Char(' ') +
           QCoreApplication::translate("RESTCall", "The server names the protected area \"%1\".")
               .arg(realm);
}
