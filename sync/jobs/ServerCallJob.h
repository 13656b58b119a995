#pragma once

#include "AccountCallJob.h"
#include "DecodeResult.h"

#include <QPointer>
#include <QUrl>
#include <QVariantMap>

class Account;
class PLUMETPluginProtocol;

// One request of a road to the account's server, as a job: an XML-RPC call
// the account's blog-system driver shapes, or an Atom GET with the driver's
// authentication headers. The answer is made UTF-8 and decoded by the codec
// of the driver's protocol; what it means is the road's to judge.
//
// Ends:
// - finished well with the answer (which may be empty, a fault or a refusal:
//   see data() and answer());
// - failed with the road's own sentence when the request cannot be made, or
//   with the HTTP call's error when the exchange fails;
// - cancelled when the call was stopped without an error (the login sheet
//   was cancelled, or cancel()).
class ServerCallJob : public AccountCallJob {
    Q_OBJECT
public:
    // A driver's XML-RPC builder (xmlrpcUsersBlogsRequest and the others).
    using Builder = void (PLUMETPluginProtocol::*)(QVariantMap&, QStringList&, QString&);

    // POSTs the call to the account's escaped address. `values` holds what the
    // host knows ("username", "password", "blogid", ...).
    static ServerCallJob* xmlrpc(Account* account, Builder build, QVariantMap values,
                                 QObject* parent = nullptr);
    // GETs `address`.
    static ServerCallJob* atomGet(Account* account, const QUrl& address, QObject* parent = nullptr);

    // The sentence a request that cannot be made fails with; "For some obscure
    // reason an XML-RPC request could not be made." unless set.
    void setRefusalMessage(const QString& message) { m_refusal = message; }

    bool isAtom() const { return m_atom; }
    // False when the job failed because the request could not be made (the
    // refusal message), true once it went out.
    bool requestWasMade() const { return m_requestMade; }
    // The answer's bytes as they came (only the head of one read as it
    // arrived: enough to tell an empty answer), and decoded.
    const QByteArray& data() const { return m_data; }
    const DecodeResult& answer() const { return m_answer; }

protected:
    void doStart() override;
    void callFinished(RESTCall* call) override;

private:
    ServerCallJob(Account* account, QObject* parent);
    bool send();

    QPointer<Account> m_account;
    bool m_atom = false;
    Builder m_build = nullptr;
    QVariantMap m_values;
    QUrl m_address;
    QString m_refusal;
    bool m_requestMade = false;
    QByteArray m_data;
    DecodeResult m_answer;
};
