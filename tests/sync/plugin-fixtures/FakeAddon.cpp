#include "FakeAddon.h"

QString FakeAddon::addonKey() const
{
    return QStringLiteral(FAKE_KEY);
}

QString FakeAddon::addonDescription() const
{
    return QStringLiteral(FAKE_DESCRIPTION);
}

QString FakeAddon::toolbarIcon() const
{
#ifdef FAKE_ICON
    return QStringLiteral("icon.png");
#else
    return {};
#endif
}
