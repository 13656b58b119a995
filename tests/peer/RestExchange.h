#pragma once

#include "RESTCall.h"
#include "RestError.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>

namespace plumet::test {

// One RESTCall run to its end, waited for with a bounded local event loop:
// how the peer tests send a request exactly as the application does.
struct RestExchange {
    explicit RestExchange(QUrl address, QByteArray verb = "GET", QByteArray content = {},
                          QByteArray type = {})
        : url(std::move(address)), method(std::move(verb)), body(std::move(content)),
          contentType(std::move(type))
    {
    }

    QUrl url;
    QByteArray method = "GET";
    QByteArray body;
    QByteArray contentType;
    RESTCall::HeaderList headers;
    std::chrono::milliseconds limit = std::chrono::seconds(30);

    struct Result {
        bool finished = false; // restCallDidFinish was called
        int status = 0;
        QByteArray body;
        std::optional<RestError> error; // set when restCallDidFail reported one
        QString problem;                // empty when the call finished with an answer

        bool ok() const { return problem.isEmpty(); }
    };

    Result run() const;
};

} // namespace plumet::test
