#pragma once

#include "Account.h"
#include "ActivityList.h"
#include "Blog.h"
#include "Entry.h"
#include "Job.h"
#include "PLUMETAddonProtocol.h"
#include "PluginManager.h"
#include "PublishTesting.h"
#include "StringExtensions.h"
#include "TestHttpServer.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTest>
#include <memory>

// What the tests of a blog's roads share: the shipped drivers, an account
// with one blog pointing at a scripted server, XML-RPC answers written as
// servers write them, and jobs watched to their one end.
namespace plumet::test {

using Response = TestHttpServer::Response;

// An account of "joe" with one blog, as the roads' tests use it.
inline BlogSetup makeBlog(const QString& driver, const QUrl& endpoint,
                          const QString& blogID = QStringLiteral("1"))
{
    return makeBlog(driver, endpoint, QStringLiteral("joe"), QStringLiteral("s3cret & <pässword>"),
                    blogID);
}

// An XML-RPC value as a server writes it.
inline QByteArray xmlValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList: {
        QByteArray out = "<array><data>";
        for (const QVariant& item : value.toList())
            out += "<value>" + xmlValue(item) + "</value>";
        return out + "</data></array>";
    }
    case QMetaType::QVariantMap: {
        QByteArray out = "<struct>";
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            out += "<member><name>" + it.key().toUtf8() + "</name><value>" + xmlValue(it.value()) +
                   "</value></member>";
        return out + "</struct>";
    }
    case QMetaType::Bool:
        return "<boolean>" + QByteArray(value.toBool() ? "1" : "0") + "</boolean>";
    case QMetaType::Int:
        return "<int>" + QByteArray::number(value.toInt()) + "</int>";
    case QMetaType::QDateTime:
        return "<dateTime.iso8601>" +
               value.toDateTime().toUTC().toString(QStringLiteral("yyyyMMddTHH:mm:ss")).toUtf8() +
               "</dateTime.iso8601>";
    default:
        return "<string>" + rv::encodeXML(value.toString()).toUtf8() + "</string>";
    }
}

inline Response xmlrpcAnswer(const QVariant& value)
{
    return Response::ok("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodResponse><params>"
                        "<param><value>" +
                            xmlValue(value) + "</value></param></params></methodResponse>\n",
                        "text/xml");
}

inline QString methodOf(const TestHttpServer::Request& request)
{
    const QString name = plumet::test::methodOf(request.body);
    return !name.isEmpty() ? name : QString::fromUtf8(request.method + ' ' + request.target);
}

// The string and int parameter values of an XML-RPC call, in wire order.
inline QStringList paramsOf(const TestHttpServer::Request& request)
{
    static const QRegularExpression param(
        QStringLiteral("<param>\\s*<value>\\s*<(?:string|int|i4|boolean)>([^<]*)<"));
    QStringList values;
    auto it = param.globalMatch(QString::fromUtf8(request.body));
    while (it.hasNext())
        values << it.next().captured(1);
    return values;
}

// One job watched to its end.
struct Ending {
    int endings = 0;
    Job::State state = Job::State::Waiting;
    QString message;
};

inline std::shared_ptr<Ending> watch(Job* job)
{
    auto ending = std::make_shared<Ending>();
    QObject::connect(job, &Job::finished, [ending, job] {
        ++ending->endings;
        ending->state = job->state();
        ending->message = job->error() ? job->error()->message : QString();
    });
    return ending;
}

// Waits (bounded) for the job's end, then a moment more so that a second end shows.
inline bool waitForEnd(const std::shared_ptr<Ending>& ending, int limitMs = 20000)
{
    const bool ended = QTest::qWaitFor([&] { return ending->endings > 0; }, limitMs);
    QTest::qWait(20);
    return ended;
}

// An event add-on that notes the events it hears: number and data.
class EventRecorder : public QObject, public PLUMETAddonProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETAddonProtocol)
public:
    QList<QPair<int, QVariant>> events;

    QString addonKey() const override { return QStringLiteral("Event recorder"); }
    int role() const override { return EventAddon; }
    QString addonDescription() const override { return {}; }
    QWidget* preferencesView() override { return nullptr; }
    void processNotification(int event, const QVariant& data) override
    {
        events.append({event, data});
    }
    QString toolbarIcon() const override { return {}; }
    QStringList subActions() const override { return {}; }
    bool requiresFullText() const override { return false; }
    std::unique_ptr<PLUMETAddonObject> addonRequested(PLUMETAddonHost*, const QString&,
                                                      const QString&) override
    {
        return nullptr;
    }
};

} // namespace plumet::test
