#pragma once

#include "DecodeResult.h"
#include "XMLRPCValueReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// Reads an XML-RPC answer as it arrives, with the rules the roads read a whole
// one with (URLUtilities::correctEncoding, then XMLRPCDecoder::decode): junk
// in front of the XML declaration and behind the closing tag is dropped, the
// closing tag is mended, "POST requests only" and HTML pages are refused in
// words. Once the declaration has shown the answer to be UTF-8, each piece goes
// straight on to the value reader and is let go of, so an answer costs little
// more than its value tree. A byte that is not UTF-8 is read as ISO 8859-1 on
// its own, leaving the UTF-8 text around it as it is.
//
// An answer in another character set (a declaration naming one, a UTF-16 or
// UTF-32 byte-order mark), and one without a declaration, is kept whole and
// read as a whole answer is.
class XmlRpcAnswerStream {
public:
    void feed(QByteArrayView bytes);
    // The answer, once all of it has been fed.
    DecodeResult finish();
    // All the bytes fed so far.
    qint64 size() const { return m_size; }

private:
    enum class Mode { Undecided, Streaming, Whole };

    void decide();
    void repair(QByteArrayView bytes);
    void document(QByteArrayView bytes);
    void scanForRefusals(QByteArrayView bytes);
    void readClosing(QByteArrayView bytes);
    void read(QByteArrayView bytes);

    Mode m_mode = Mode::Undecided;
    qint64 m_size = 0;
    QByteArray m_whole; // the bytes, while they are kept whole
    qsizetype m_wholeSearched = 0; // how far m_whole holds no XML declaration
    QByteArray m_carry; // a UTF-8 sequence cut by the end of a piece
    QByteArray m_tail;  // the end of what was scanned, for words cut by a piece's end
    // From the latest "</method" on: behind the closing tag, what follows it is
    // junk, and a tag that is not exactly "</methodResponse>" is written anew.
    QByteArray m_held;
    qsizetype m_heldSearched = 0;
    bool m_postOnly = false;
    bool m_sawHTML = false;
    std::optional<XMLRPCValueReader> m_reader;
};
