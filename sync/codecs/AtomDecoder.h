#pragma once

#include "DecodeResult.h"

#include <QByteArray>
#include <QUrl>

class XmlNode;

// Reads the Atom Publishing Protocol documents blog servers send back into a
// QVariantMap. Element names are compared without their namespace prefix.
//
//   feed or categories: "links", "items" (entry maps; subject texts), "title",
//                       "userid", "datecreated"
//   single entry:       the entry map's keys
//   service document:   "links" (empty) and "workspaces"
//
// Entry map: "links", "author" (map), "privacy" (list of maps), "categories"
// (terms), "title", "description" (the content), "id", "datecreated" (QDateTime,
// UTC), "url" (of media:content). Link map: "rel", "href", "title", "type" as
// present. Workspace map: "collections", each with "href", "title", "categories".
//
// The bytes are read in the character set the XML declaration names (UTF-8
// without one). Addresses are resolved as RFC 3986 says, against xml:base
// where given and finally against the address the document was requested from.
class AtomDecoder {
public:
    static DecodeResult decode(const QByteArray& bytes, const QUrl& requestAddress = QUrl());
};
