#pragma once

#include "RestError.h"

#include <optional>

class SimpleCall;

// Receives the outcome of a SimpleCall; may delete the call from either callback.
class SimpleCallDelegate {
public:
    virtual ~SimpleCallDelegate() = default;
    virtual void simpleCallDidFinish(SimpleCall* call) = 0;
    // No error means the caller cancelled the call.
    virtual void simpleCallDidFail(SimpleCall* call, const std::optional<RestError>& error) = 0;
};
