#pragma once

#include "PLUMETUploaderProtocol.h"

#include <QObject>

class FakeUploader : public QObject, public PLUMETUploaderProtocol {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETUploaderProtocol_iid)
    Q_INTERFACES(PLUMETUploaderProtocol)

public:
    QString uploaderKey() const override { return QStringLiteral("Fake"); }
    QString uploaderDescription() const override { return QStringLiteral("fake"); }
    bool canSpecifyDestinationPath() const override { return false; }
    std::unique_ptr<PLUMETUploaderSettings> uploaderRequested(const QVariantMap&) override
    {
        return nullptr;
    }
    void uploadData(const QVariantMap&, Callbacks callbacks) override
    {
        callbacks.error(QStringLiteral("fake uploads go nowhere"));
    }
    void cancel() override {}
};
