#include "SupportPage.h"

namespace SupportPage {

namespace {

QUrl& stored()
{
    static QUrl address(QStringLiteral("https://plumet.org/support/"));
    return address;
}

} // namespace

QUrl address()
{
    return stored();
}

void setAddress(const QUrl& address)
{
    stored() = address;
}

} // namespace SupportPage
