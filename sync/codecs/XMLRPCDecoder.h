#pragma once

#include "DecodeResult.h"
#include "XMLRPCValueReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>

// Reads the bytes of an XML-RPC methodResponse into a QVariant tree: QString,
// int (qint64 beyond 32 bits and for "i8"), double, bool, QDateTime (UTC, or
// a clock time for one sent without a zone: see parseXMLRPCDate), QByteArray,
// QVariantList and QVariantMap.
//
// Common non-XML answers are refused in words; junk around the document is
// ignored. The bytes are read in the character set the XML declaration names
// (UTF-8 without one). The last of repeated elements counts; the struct member
// names the rest of the program looks up are folded to lower case (see
// XMLRPCValueReader). A <fault> gives a server fault whose value is the fault
// structure. A well-formed answer that lacks the expected elements gives a
// null value without being a fault.
class XMLRPCDecoder {
public:
    static DecodeResult decode(const QByteArray& bytes);

    // The pieces XmlRpcAnswerStream reads an arriving answer with.
    // The text servers send when they refuse a GET, lower case.
    static constexpr QLatin1StringView postRequestsOnlyText{
        "xml-rpc server accepts post requests only"};
    static DecodeResult postRequestsOnly();
    // What a reading gives, `sawHTML` when the bytes hold "<html" anywhere.
    static DecodeResult fromReading(const XMLRPCValueReader::Result& reading, bool sawHTML);
    // Where the lower-case ASCII needle first appears at or after `from`,
    // letter case ignored; -1 when nowhere.
    static qsizetype indexOfIgnoringCase(QByteArrayView bytes, QLatin1StringView needle,
                                         qsizetype from = 0);
};
