#pragma once

#include "AccountList.h"
#include "Attachment.h"
#include "RoadTesting.h"
#include "UploadJob.h"
#include "UploadRoad.h"

#include <QRegularExpression>
#include <QTest>
#include <memory>

// What the upload tests share: a road over a scripted server, uploads
// watched to their end, and the parts of an XML-RPC media call.
namespace plumet::test {

// A scripted server and the upload road to it, made afresh for each test:
// the road looks blogs up in `accounts` and has short time-outs, so that a
// server that never answers fails the upload soon.
struct UploadRig {
    TestHttpServer* server = nullptr;
    ActivityList* list = nullptr;
    AccountList* accounts = nullptr;
    UploadRoad* road = nullptr;

    // False when the server does not listen.
    bool start(QObject* parent)
    {
        server = new TestHttpServer(parent);
        if (!server->listen())
            return false;
        list = new ActivityList(parent);
        accounts = new AccountList(parent);
        road = new UploadRoad(*list, parent);
        road->setAccountList(accounts);
        road->setTimeOut(5);
        road->setResponseTimeout(std::chrono::milliseconds(3000));
        return true;
    }

    void stop()
    {
        delete road;
        delete list;
        delete server;
        delete accounts;
        road = nullptr;
        list = nullptr;
        server = nullptr;
        accounts = nullptr;
    }
};

// The attachment goes to the blog of `setup`, whose account the road knows.
inline void sendToBlog(AccountList& accounts, Attachment& attachment, const BlogSetup& setup)
{
    accounts.insertAccount(setup.account, -1);
    attachment.setAccountID(setup.account->accountID());
    attachment.setBlogID(setup.blog->uniqueID());
}

// One upload watched to its end: its callbacks, its job's statuses (each
// once, in turn) and the passes the job made.
struct UploadOutcome {
    int done = 0;
    int failed = 0;
    QString message;
    QStringList statuses;
    int passes = 0;
};

// Uploads through the road and waits (bounded) for a callback, then a moment
// more so that a second one shows.
inline std::shared_ptr<UploadOutcome> uploadAndWait(UploadRoad& road,
                                                    const AttachmentPtr& attachment, bool manual)
{
    auto outcome = std::make_shared<UploadOutcome>();
    const QMetaObject::Connection created =
        QObject::connect(&road, &UploadRoad::jobCreated, &road, [outcome](Job* job) {
            outcome->statuses << job->status();
            QObject::connect(job, &Job::statusChanged, job,
                             [outcome](const QString& status) { outcome->statuses << status; });
            QObject::connect(job, &Job::finished, job, [outcome, job] {
                outcome->passes = qobject_cast<UploadJob*>(job)->passes();
            });
        });
    road.upload(
        attachment, [outcome] { ++outcome->done; },
        [outcome](const QString& message) {
            ++outcome->failed;
            outcome->message = message;
        },
        manual);
    [&] { QVERIFY(QTest::qWaitFor([&] { return outcome->done + outcome->failed > 0; }, 20000)); }();
    QTest::qWait(20);
    QObject::disconnect(created);
    outcome->statuses.removeDuplicates();
    return outcome;
}

// A string member of an XML-RPC call's struct, as "name" or "type".
inline QString xmlrpcString(const QByteArray& body, const char* member)
{
    const QRegularExpression pattern(
        QStringLiteral("<name>%1</name>\\s*<value>\\s*<string>([^<]*)</string>")
            .arg(QLatin1String(member)));
    return pattern.match(QString::fromUtf8(body)).captured(1);
}

// The file's bytes an XML-RPC call carries.
inline QByteArray xmlrpcBits(const QByteArray& body)
{
    static const QRegularExpression bits(QStringLiteral("<base64>([^<]*)</base64>"));
    return QByteArray::fromBase64(bits.match(QString::fromLatin1(body)).captured(1).toLatin1());
}

} // namespace plumet::test
