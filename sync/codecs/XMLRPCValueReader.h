// Reads the structure of an XML-RPC answer, as it streams in, into its value tree.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <memory>

// Streams an XML-RPC methodResponse through expat straight into its value
// tree, with no node tree in between. The rules are those of the answers blog
// servers send:
//   - the last of repeated elements counts (params, param, value, name, data);
//   - a value's first element decides its type; a value without one is its
//     text (whitespace kept), and an empty value is nothing;
//   - text is read from the element itself only, never from elements inside it;
//   - the struct member names the rest of the program looks up are folded to
//     lower case, and a later member of the same name replaces an earlier one;
//   - HTML named entities ("&nbsp;") become their character, unknown ones stay
//     as written; a document type declaration is refused before any of it is
//     read, so no entity declaration is ever expanded;
//   - reading ends with the root element, so junk behind it costs nothing;
//   - elements nested deeper than maxDepth are refused.
class XMLRPCValueReader {
public:
    enum class Answer {
        None,         // a methodResponse without params, and without a fault value
        NotAResponse, // the root element is something else
        Params,       // value: the last param's last value (null when it has none)
        Fault,        // value: the last fault's value
    };

    struct Result {
        bool ok = false;
        bool refusedDTD = false;
        QString error; // the parser's report when !ok
        Answer answer = Answer::None;
        QVariant value;
    };

    static constexpr int maxDepth = 256;

    // Reads one UTF-8 document (an XML declaration, if any, is not read: the
    // text is UTF-8 whatever it says).
    static Result read(QByteArrayView document);

    // The same reading, a piece at a time as the document arrives: only the
    // value tree and the text of an unfinished element are kept.
    XMLRPCValueReader();
    ~XMLRPCValueReader();
    XMLRPCValueReader(const XMLRPCValueReader&) = delete;
    XMLRPCValueReader& operator=(const XMLRPCValueReader&) = delete;
    // `last`: no more bytes follow. Pieces after the root element has closed,
    // or after the reading failed, are not read.
    void feed(QByteArrayView bytes, bool last = false);
    // Whether the reading has ended (the root closed, or it failed), so that
    // further bytes are not read.
    bool isDone() const;
    Result finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
