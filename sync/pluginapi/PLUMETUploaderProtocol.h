#pragma once

#include "PLUMETUploaderSettings.h"

#include <QString>
#include <QVariantMap>
#include <QtPlugin>
#include <functional>
#include <memory>

// An uploader ("uploader" bundles): stores media elsewhere and answers their addresses.
class PLUMETUploaderProtocol {
public:
    // How an upload reports back. Exactly one of error and success ends it.
    struct Callbacks {
        // A null text makes the host report that the uploader gave no reason.
        std::function<void(const QString& message)> error;
        // The uploader's answer, with "url" and optionally "thumburl", "posterurl", "source".
        std::function<void(const QVariantMap& answer)> success;
        std::function<void(const QString& text)> status;
    };

    virtual ~PLUMETUploaderProtocol() = default;

    // The registry key; shown as an upload destination beside the accounts.
    virtual QString uploaderKey() const = 0;
    virtual QString uploaderDescription() const = 0;
    // True lets the user give a destination path put before the file name.
    virtual bool canSpecifyDestinationPath() const = 0;
    virtual std::unique_ptr<PLUMETUploaderSettings>
    uploaderRequested(const QVariantMap& settings) = 0;
    // Starts an asynchronous upload of request["bits"] named request["name"]
    // of type request["type"], with the attachment's uploader settings and
    // "summary" when there is one.
    virtual void uploadData(const QVariantMap& request, Callbacks callbacks) = 0;
    // Stops the running upload; no callback follows.
    virtual void cancel() = 0;
};

#define PLUMETUploaderProtocol_iid "org.plumet.PLUMETUploaderProtocol/3.0"
Q_DECLARE_INTERFACE(PLUMETUploaderProtocol, PLUMETUploaderProtocol_iid)
