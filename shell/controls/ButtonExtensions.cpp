#include "ButtonExtensions.h"

#include <QAbstractButton>

void configureButton(QAbstractButton* button, const QString& title, bool enabled,
                     std::function<void()> action, const QKeySequence& key, bool hidden)
{
    button->setText(title);
    button->setEnabled(enabled);
    const char* const connectionProperty = "_plumet_configured_action";
    const QVariant previous = button->property(connectionProperty);
    if (previous.isValid())
        QObject::disconnect(previous.value<QMetaObject::Connection>());
    if (action) {
        const QMetaObject::Connection connection =
            QObject::connect(button, &QAbstractButton::clicked, button, std::move(action));
        button->setProperty(connectionProperty, QVariant::fromValue(connection));
    } else {
        button->setProperty(connectionProperty, QVariant());
    }
    button->setShortcut(key);
    button->setHidden(hidden);
}
