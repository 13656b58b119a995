#include "AccountDetails.h"

#include "Account.h"
#include "Localization.h"

AccountDetails AccountDetails::of(Account& account)
{
    AccountDetails details;
    details.label = account.label();
    details.title = account.title();
    details.url = account.url();
    details.pluginKey = account.pluginKey();
    details.username = account.username();
    details.password = account.password();
    return details;
}

AccountDetails AccountDetails::cleared()
{
    AccountDetails details;
    details.title = localized("Draft", "Untitled");
    details.pluginKey = QStringLiteral("MovableType");
    return details;
}
