// What an HTTP call keeps of the answer's body as it arrives: its bytes, or an XML-RPC answer read
// on the way.
#include "RESTAnswerBody.h"

#include "HttpConsoleLog.h"
#include "HttpErrors.h"
#include "XmlRpcAnswerStream.h"

#include <algorithm>

RESTAnswerBody::RESTAnswerBody() = default;

RESTAnswerBody::~RESTAnswerBody() = default;

void RESTAnswerBody::restart()
{
    m_data.clear();
    m_received = 0;
    m_stream.reset();
    if (m_readsXmlRpc)
        m_stream = std::make_unique<XmlRpcAnswerStream>();
}

// Read as it arrives, an answer is kept only as far as the console shows it.
void RESTAnswerBody::keep(const QByteArray& chunk)
{
    m_received += chunk.size();
    if (!m_stream) {
        m_data.append(chunk);
        return;
    }
    m_stream->feed(chunk);
    const qsizetype room = HttpConsoleLog::bodyHeadBytes + 4 - m_data.size();
    if (room > 0)
        m_data.append(chunk.first(std::min(room, chunk.size())));
}

bool RESTAnswerBody::keepServerWords(const QByteArray& chunk)
{
    m_data.append(chunk.left(HttpErrors::serverWordsBytes - m_data.size()));
    return m_data.size() >= HttpErrors::serverWordsBytes;
}

DecodeResult RESTAnswerBody::takeXmlRpcAnswer()
{
    std::unique_ptr<XmlRpcAnswerStream> stream = std::move(m_stream);
    if (!stream) {
        stream = std::make_unique<XmlRpcAnswerStream>();
        stream->feed(m_data);
    }
    return stream->finish();
}
