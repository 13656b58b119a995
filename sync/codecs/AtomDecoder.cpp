#include "AtomDecoder.h"

#include "AtomText.h"
#include "StringExtensions.h"
#include "TextDecoding.h"
#include "XmlTreeReader.h"

#include <QCoreApplication>

namespace {

const QString linksKey = QStringLiteral("links");

QUrl baseFor(const XmlNode& element, const QUrl& inheritedBase)
{
    const QString base = element.attribute(u"xml:base");
    if (base.isNull())
        return inheritedBase;
    const QUrl own(base.trimmed());
    return inheritedBase.isEmpty() ? own : inheritedBase.resolved(own);
}

QString resolvedAddress(const QString& href, const QUrl& base)
{
    const QUrl address(href.trimmed());
    if (base.isEmpty() || !address.isRelative())
        return href;
    return base.resolved(address).toString(QUrl::FullyEncoded);
}

QVariantMap linkMap(const XmlNode& link, const QUrl& base)
{
    QVariantMap map;
    for (const char16_t* name : {u"rel", u"href", u"title", u"type"}) {
        const QString key = QString::fromUtf16(name);
        const QString value = link.attribute(key);
        if (!value.isNull())
            map.insert(key, key == u"href" ? resolvedAddress(value, base) : value);
    }
    return map;
}

void addLink(QVariantList& links, const XmlNode& link, const QUrl& base)
{
    QVariantMap attributes = linkMap(link, base);
    if (!attributes.isEmpty())
        links.append(std::move(attributes));
}

void setDate(QVariantMap& map, const XmlNode& element)
{
    const QDateTime date = rv::parseDate(element.childText().trimmed());
    if (date.isValid())
        map.insert(QStringLiteral("datecreated"), date.toUTC());
}

QVariantMap parseEntry(const XmlNode& entry, const QUrl& inheritedBase)
{
    const QUrl base = baseFor(entry, inheritedBase);
    QVariantMap map;
    QVariantList links;
    QVariantList categories;
    QVariantList privacy;
    for (const XmlNode& child : entry.children()) {
        if (!child.isElement())
            continue;
        if (child.name() == u"media:content") {
            const QString url = child.attribute(u"url");
            if (!url.isNull())
                map.insert(QStringLiteral("url"), url);
            continue;
        }
        const QStringView name = child.localName();
        if (name == u"author") {
            QVariantMap author;
            for (const XmlNode& field : child.children()) {
                if (field.isElement())
                    author.insert(field.localName().toString(), field.childText().trimmed());
            }
            map.insert(QStringLiteral("author"), author);
        } else if (name == u"privacy") {
            for (const XmlNode& allow : child.children()) {
                if (!allow.isElement() || allow.localName() != u"allow")
                    continue;
                QVariantMap rule;
                for (const char16_t* key : {u"policy", u"ref", u"name"}) {
                    const QString value = allow.attribute(QStringView(key));
                    if (!value.isNull())
                        rule.insert(QString::fromUtf16(key), value);
                }
                if (!rule.isEmpty())
                    privacy.append(rule);
            }
        } else if (name == u"category") {
            const QString term = child.attribute(u"term");
            if (!term.isNull())
                categories.append(term);
        } else if (name == u"title") {
            map.insert(QStringLiteral("title"), valueOfElement(child));
        } else if (name == u"content") {
            map.insert(QStringLiteral("description"), valueOfElement(child));
        } else if (name == u"link") {
            addLink(links, child, base);
        } else if (name == u"id") {
            map.insert(QStringLiteral("id"), valueOfElement(child));
        } else if (name == u"issued" || name == u"published") {
            setDate(map, child);
        } else if (name == u"updated") {
            if (!map.contains(QStringLiteral("datecreated")))
                setDate(map, child);
        }
    }
    map.insert(linksKey, links);
    if (!categories.isEmpty())
        map.insert(QStringLiteral("categories"), categories);
    if (!privacy.isEmpty())
        map.insert(QStringLiteral("privacy"), privacy);
    return map;
}

QVariantMap parseWorkspace(const XmlNode& workspace, const QUrl& inheritedBase)
{
    const QUrl base = baseFor(workspace, inheritedBase);
    QVariantList collections;
    for (const XmlNode& collection : workspace.children()) {
        if (!collection.isElement() || collection.localName() != u"collection")
            continue;
        QVariantMap map;
        const QString href = collection.attribute(u"href");
        if (!href.isNull())
            map.insert(QStringLiteral("href"), resolvedAddress(href, base));
        const QString title = collection.attribute(u"title");
        if (!title.isNull())
            map.insert(QStringLiteral("title"), title);
        // Backwards, so that the first title or categories element has the last word.
        const auto& children = collection.children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            if (!it->isElement())
                continue;
            if (it->localName() == u"title") {
                map.insert(QStringLiteral("title"), valueOfElement(*it));
            } else if (it->localName() == u"categories") {
                const QString categories = it->attribute(u"href");
                if (!categories.isNull())
                    map.insert(QStringLiteral("categories"), resolvedAddress(categories, base));
            }
        }
        collections.append(map);
    }
    return {{QStringLiteral("collections"), collections}};
}

QVariantMap parseFeed(const XmlNode& feed, const QUrl& base)
{
    QVariantMap map;
    QVariantList links;
    QVariantList items;
    for (const XmlNode& child : feed.children()) {
        if (!child.isElement())
            continue;
        const QStringView name = child.localName();
        if (name == u"subject")
            items.append(valueOfElement(child));
        else if (name == u"title")
            map.insert(QStringLiteral("title"), valueOfElement(child));
        else if (name == u"userid")
            map.insert(QStringLiteral("userid"), valueOfElement(child));
        else if (name == u"link")
            addLink(links, child, base);
        else if (name == u"issued" || name == u"published")
            setDate(map, child);
        else if (name == u"entry")
            items.append(parseEntry(child, base));
    }
    map.insert(linksKey, links);
    map.insert(QStringLiteral("items"), items);
    return map;
}

QVariantMap parseService(const XmlNode& service, const QUrl& base)
{
    QVariantList workspaces;
    for (const XmlNode& child : service.children()) {
        if (child.isElement() && child.localName() == u"workspace")
            workspaces.append(parseWorkspace(child, base));
    }
    return {{linksKey, QVariantList()}, {QStringLiteral("workspaces"), workspaces}};
}

} // namespace

DecodeResult AtomDecoder::decode(const QByteArray& received, const QUrl& requestAddress)
{
    const std::optional<QByteArray> converted = URLUtilities::utf8FromDeclaredCharset(received);
    const QByteArray& bytes = converted ? *converted : received;
    const qsizetype declaration = bytes.indexOf("<?xml");
    if (declaration < 0 || (!converted && !QUtf8StringView(bytes).isValidUtf8()))
        return DecodeResult::unexpectedData();

    const XmlTreeReader::Result tree = XmlTreeReader::read(bytes.mid(declaration));
    if (tree.refusedDTD)
        return DecodeResult::unexpectedData();
    if (!tree.ok)
        return DecodeResult::refusal(DecodeResult::Error::ParseError, tree.error);

    const XmlNode* root = nullptr;
    for (const char16_t* name : {u"feed", u"entry", u"categories", u"service"}) {
        if ((root = tree.document.lastChildByLocalName(QStringView(name))))
            break;
    }
    if (!root)
        return DecodeResult::refusal(
            DecodeResult::Error::InvalidData,
            QCoreApplication::translate(
                "Account", "The response from the server did not contain valid data."));

    const QStringView kind = root->localName();
    if (kind == u"entry") // reads its own xml:base
        return DecodeResult::fromValue(parseEntry(*root, requestAddress));
    const QUrl base = baseFor(*root, requestAddress);
    if (kind == u"service")
        return DecodeResult::fromValue(parseService(*root, base));
    return DecodeResult::fromValue(parseFeed(*root, base));
}
