// What an HTTP call keeps of the answer's body as it arrives: its bytes, or an XML-RPC answer read
// on the way.
#pragma once

#include "DecodeResult.h"

#include <QByteArray>
#include <memory>

class XmlRpcAnswerStream;

// The answer's body for RESTCall. Kept whole, or, when the call reads
// XML-RPC while it arrives, decoded piece by piece with only its head kept
// for the console. A refused answer keeps no more than the start of its
// page, where the server gives its reasons.
class RESTAnswerBody {
public:
    RESTAnswerBody();
    ~RESTAnswerBody();
    RESTAnswerBody(const RESTAnswerBody&) = delete;
    RESTAnswerBody& operator=(const RESTAnswerBody&) = delete;

    void setReadsXmlRpc(bool reads) { m_readsXmlRpc = reads; }
    bool readsXmlRpc() const { return m_readsXmlRpc; }

    // Forgets what came so far: a new answer begins.
    void restart();
    void keep(const QByteArray& chunk);
    // Keeps the start of a refusal's page; true once it holds as much as the
    // server's words may take.
    bool keepServerWords(const QByteArray& chunk);

    // The bytes kept: all of them, or the head of an answer read as XML-RPC.
    const QByteArray& data() const { return m_data; }
    // How many bytes the answer had, whether kept or read as they came.
    qint64 received() const { return m_received; }
    // The answer decoded as XML-RPC (asked once).
    DecodeResult takeXmlRpcAnswer();

private:
    QByteArray m_data;
    qint64 m_received = 0;
    bool m_readsXmlRpc = false;
    std::unique_ptr<XmlRpcAnswerStream> m_stream;
};
