#include "AuthPrompter.h"

#include <QCoreApplication>

namespace {
AuthPrompter* installedPrompter = nullptr;
}

AuthPrompter::~AuthPrompter()
{
    if (installedPrompter == this)
        installedPrompter = nullptr;
}

AuthPrompter* AuthPrompter::shared()
{
    return installedPrompter;
}

void AuthPrompter::setShared(AuthPrompter* prompter)
{
    installedPrompter = prompter;
}

QString AuthPrompter::captionFor(const QString& address)
{
    return QCoreApplication::translate("RESTCall",
                                       "You need authentication to access the address \"%1\".")
        .arg(address);
}
