#pragma once

// The fields a publish sends for its entry: the XML-RPC content map, the Atom
// entry data and the tag block the blog's tag template asks for.

#include "ModelTypes.h"

#include <QStringList>
#include <QVariantMap>

class Blog;
class Entry;
class PLUMETPluginProtocol;

class PublishContent {
public:
    PublishContent(Entry& entry, const Blog& blog, PLUMETPluginProtocol& plugin);

    // The "content" of an XML-RPC new post or edit. With separate categories
    // the categories are left for their own request.
    QVariantMap xmlRpcContent(bool separateCategories) const;
    // The data of an Atom entry document. Where tags go into a block, the
    // block is added to the entry's publish body: Atom has no other place.
    QVariantMap atomData();
    // The titles of the entry's tags, as they are (the requests' lists hold
    // them XML-encoded).
    QStringList tagTitles() const;
    // The tag block: a link to each tag's page on the tag template's address.
    QString tagBlock(const QStringList& tags) const;

private:
    Entry& m_entry;
    const Blog& m_blog;
    PLUMETPluginProtocol& m_plugin;
};
