#include "XmlNode.h"

XmlNode::XmlNode(Kind kind, QString nameOrText) : m_kind(kind), m_value(std::move(nameOrText)) {}

QStringView XmlNode::localName() const
{
    const qsizetype colon = m_value.indexOf(u':');
    return colon < 0 ? QStringView(m_value) : QStringView(m_value).mid(colon + 1);
}

QString XmlNode::attribute(QStringView name) const
{
    for (auto it = m_attributes.rbegin(); it != m_attributes.rend(); ++it) {
        if (it->name == name)
            return it->value.isNull() ? QStringLiteral("") : it->value;
    }
    return {};
}

const XmlNode* XmlNode::lastChild(QStringView name) const
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        if (it->isElement() && it->m_value == name)
            return &*it;
    }
    return nullptr;
}

const XmlNode* XmlNode::lastChildByLocalName(QStringView localName) const
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        if (it->isElement() && it->localName() == localName)
            return &*it;
    }
    return nullptr;
}

const XmlNode* XmlNode::firstElementChild() const
{
    for (const XmlNode& child : m_children) {
        if (child.isElement())
            return &child;
    }
    return nullptr;
}

QString XmlNode::childText() const
{
    const XmlNode* only = nullptr;
    int textChildren = 0;
    for (const XmlNode& child : m_children) {
        if (child.isText()) {
            only = &child;
            ++textChildren;
        }
    }
    if (textChildren == 0)
        return QStringLiteral("");
    if (textChildren == 1)
        return only->m_value; // shares the data, no copy
    QString text;
    for (const XmlNode& child : m_children) {
        if (child.isText())
            text += child.m_value;
    }
    return text;
}

XmlNode& XmlNode::appendChild(XmlNode&& child)
{
    m_children.push_back(std::move(child));
    return m_children.back();
}

void XmlNode::appendText(Kind kind, const QString& text)
{
    if (!m_children.empty() && m_children.back().m_kind == kind)
        m_children.back().m_value += text;
    else
        m_children.emplace_back(kind, text);
}

void XmlNode::addAttribute(QString name, QString value)
{
    m_attributes.push_back({std::move(name), std::move(value)});
}
