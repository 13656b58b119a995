#pragma once

#include <QVariantMap>

class QObject;
class QWidget;

// The upload options an uploader shows for one attachment.
class PLUMETUploaderSettings {
public:
    virtual ~PLUMETUploaderSettings() = default;

    virtual void setSettings(const QVariantMap& settings) = 0;
    // The settings as the user left them.
    virtual QVariantMap settings() const = 0;
    // Owned by the object; the host places it in the upload options tab.
    virtual QWidget* view() = 0;
    virtual void willDispose(QObject* owner) { Q_UNUSED(owner); }
};
