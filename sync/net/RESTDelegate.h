#pragma once

#include "RestError.h"

#include <QString>
#include <optional>

class RESTCall;

// Receives the progress and the outcome of a RESTCall. The delegate usually owns
// the call; it releases it from either of the two final callbacks with
// deleteLater(), never delete: the call is still on the stack.
class RESTDelegate {
public:
    virtual ~RESTDelegate() = default;

    // The address named in the login sheet's caption.
    virtual QString url() const = 0;
    virtual QString authUsername() const = 0;
    virtual void setAuthUsername(const QString& username) = 0;
    virtual QString authPassword() const = 0;
    // An empty password means "none"; the call clears it after a rejected login.
    virtual void setAuthPassword(const QString& password) = 0;

    // Sizes are in kilobytes.
    virtual void setDuration(double) {}
    virtual void setProgress(double) {}
    virtual void setSubStatus(const QString&) {}

    // The body is complete in call->restData().
    virtual void restCallDidFinish(RESTCall* call) = 0;
    // No error means the caller cancelled the call.
    virtual void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) = 0;
};
