// Follows the redirects of one HTTP call: which are followed, where to, and with what of the
// request.
#pragma once

#include "RestError.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>
#include <optional>

// RESTCall follows redirects by hand, on the answer's headers, by the rules of
// RedirectPolicy, at most NetworkAccess::maximumRedirects times in one
// exchange. Each redirect followed or refused is written to the network
// console; a followed one has changed the request it is handed.
class RESTRedirectFollowing {
public:
    using HeaderList = QList<QPair<QByteArray, QByteArray>>;

    // The parts of the call's request a redirect changes.
    struct Request {
        QByteArray& method;
        QUrl& url;
        QByteArray& body;
        HeaderList& headers;
    };

    enum class Step {
        Answer, // no redirect to follow: the answer is delivered as it is
        Follow, // the request, changed, goes out again
        Fail,   // the exchange ends with `error`
    };
    struct Outcome {
        Step step = Step::Answer;
        std::optional<RestError> error;
    };

    // What becomes of an answer of `status` whose Location header is
    // `location`, for the request as it went out.
    Outcome next(int status, const QByteArray& location, Request request);

private:
    int m_redirects = 0;
};
