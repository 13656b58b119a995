#pragma once

#include "XmlNode.h"

#include <QByteArray>

// Builds an XmlNode tree from the bytes of a server answer with
// QXmlStreamReader. Documents with a DTD are refused (so no entity
// declaration, internal or external, is ever expanded); undeclared named
// entities such as "&nbsp;" become their character, unknown ones stay literal.
// Reading ends with the root element, so junk behind it (a PHP notice, a
// stray byte) costs nothing. Elements nested deeper than maxDepth are refused, which keeps hostile
// input from exhausting the stack of the recursive decoders.
class XmlTreeReader {
public:
    struct Result {
        XmlNode document{XmlNode::Kind::Document, QString()};
        bool ok = false;
        bool refusedDTD = false;
        QString error; // printed form of the parser's report when !ok
    };

    static constexpr int maxDepth = 256;

    static Result read(const QByteArray& bytes);
};
