#include "FakeAddon.h"

#include <QCoreApplication>
#include <QThread>

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

int FakeAddon::role() const
{
#ifdef FAKE_MENU_ONLY
    return MenuAddon;
#else
    return EventAddon;
#endif
}

void FakeAddon::processNotification(int event, const QVariant& data)
{
    QCoreApplication* app = QCoreApplication::instance();
    QVariantList heard = app->property("fakeAddonEvents").toList();
    heard.append(
        QVariant(QVariantList{addonKey(), event, data, QThread::currentThread() == app->thread()}));
    app->setProperty("fakeAddonEvents", heard);
}
