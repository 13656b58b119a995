#include "RestExchange.h"

#include "RESTDelegate.h"

#include <QEventLoop>
#include <QTimer>

namespace plumet::test {

using namespace std::chrono_literals;

namespace {

// Waits for one RESTCall and keeps what it reported.
class ExchangeRecorder : public RESTDelegate {
public:
    QString url() const override { return address; }
    QString authUsername() const override { return QString(); }
    void setAuthUsername(const QString&) override {}
    QString authPassword() const override { return QString(); }
    void setAuthPassword(const QString&) override {}

    void restCallDidFinish(RESTCall* call) override
    {
        result.finished = true;
        result.status = call->httpStatus();
        result.body = call->restData();
        loop.quit();
    }
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& failure) override
    {
        failed = true;
        result.status = call->httpStatus();
        result.error = failure;
        loop.quit();
    }

    QString address;
    bool failed = false;
    RestExchange::Result result;
    QEventLoop loop;
};

} // namespace

RestExchange::Result RestExchange::run() const
{
    ExchangeRecorder recorder;
    recorder.address = url.toString();
    RESTCall call(url, &recorder);
    call.setMethod(method);
    if (!body.isEmpty() || !contentType.isEmpty())
        call.setData(body, contentType);
    if (!headers.isEmpty())
        call.addHeaders(headers);
    call.setResponseTimeout(limit);
    if (!call.startCall()) {
        recorder.result.problem = QStringLiteral("The call did not start");
        return recorder.result;
    }
    QTimer::singleShot(limit + 5s, &recorder.loop, [&recorder] { recorder.loop.quit(); });
    recorder.loop.exec();
    Result result = recorder.result;
    if (recorder.failed)
        result.problem =
            QStringLiteral("Transport failure %1 (HTTP %2): %3")
                .arg(result.error ? result.error->code : 0)
                .arg(result.status)
                .arg(result.error ? result.error->message : QStringLiteral("cancelled"));
    else if (!result.finished)
        result.problem = QStringLiteral("No answer in time");
    return result;
}

} // namespace plumet::test
