#pragma once

#include <QString>
#include <QVariant>

// What a wire decoder hands back: the decoded value tree, or why there is none.
// Three outcomes:
//   - a value (which may be null when the document lacked the expected elements);
//   - a server fault: an XML-RPC <fault>, whose structure is the value;
//   - a refusal: the bytes were not a usable answer (error() and errorMessage()).
// isFault(), faultCode() and faultString() read the last two alike, the way
// callers show a failed call.
class DecodeResult {
public:
    enum class Error {
        None,
        EmptyData,        // "Server returned empty data!"
        PostRequestsOnly, // the server's "accepts POST requests only" page
        HTMLInsteadOfXML,
        UnexpectedData,     // no XML declaration, or a DTD
        ParseError,         // not well-formed
        InvalidData,        // well-formed, but not a document the decoder knows
        UndeclaredEncoding, // not UTF-8, and no other encoding declared
    };

    DecodeResult() = default;
    static DecodeResult fromValue(QVariant value);
    static DecodeResult fromServerFault(QVariant faultStructure);
    static DecodeResult refusal(Error error, QString message);
    // The refusal of an answer that is no document the decoders read.
    static DecodeResult unexpectedData();

    // True for a refusal and for a server fault.
    bool isFault() const { return m_error != Error::None || m_serverFault; }
    bool isServerFault() const { return m_serverFault; }
    Error error() const { return m_error; }
    const QString& errorMessage() const { return m_message; }

    // The decoded value (the fault structure for a server fault); null when none.
    const QVariant& value() const { return m_value; }

    // A server fault's "faultCode"; null when there is none.
    QVariant faultCode() const;
    // Text for the user: the refusal's message; for a server fault the fault
    // structure's "faultString" (the first element when it is an array), else
    // "Unknown error."; empty when the call did not fail.
    QString faultString() const;

private:
    QVariant m_value;
    Error m_error = Error::None;
    QString m_message;
    bool m_serverFault = false;
};
