#pragma once

#include "GenericParser.h"

// Reads a Really Simple Discovery document: "enginename", "enginelink" and
// "apis", one attribute map per <api> element (names lower-cased, so "apiLink"
// is found under "apilink"), in document order. References in the texts and
// values are decoded ("&amp;" in an apiLink is "&").
class RSD : public GenericParser {
public:
    using GenericParser::GenericParser;
    // A parser of bytes in the character set their XML declaration names.
    static RSD fromData(const QByteArray& data);

    // True when at least one api was found; errorString() says why not.
    bool parseRSD();
    const QVariantMap& parsedDictionary() const { return m_parsedDictionary; }

private:
    void parseString(QLatin1StringView elementName);

    QVariantMap m_parsedDictionary;
};
