#pragma once

#include <QString>
#include <QStringView>
#include <vector>

// One node of the small XML tree the wire decoders read: the document, an
// element (with its attributes and children), or a run of text or CDATA.
// Element names are kept as written, prefix included; whitespace between
// elements is kept too, so that mixed content (XHTML) keeps its spaces and the
// decoders decide themselves which whitespace is structural.
class XmlNode {
public:
    enum class Kind { Document, Element, Text, CData };

    struct Attribute {
        QString name; // as written, prefix included ("xml:base")
        QString value;
    };

    XmlNode(Kind kind, QString nameOrText);

    Kind kind() const { return m_kind; }
    bool isElement() const { return m_kind == Kind::Element; }
    bool isText() const { return m_kind == Kind::Text || m_kind == Kind::CData; }

    // The element's name as written, or the text of a Text or CData node.
    const QString& name() const { return m_value; }
    const QString& text() const { return m_value; }
    // The name after its first ":" (the whole name when it has none).
    QStringView localName() const;

    const std::vector<XmlNode>& children() const { return m_children; }
    const std::vector<Attribute>& attributes() const { return m_attributes; }

    // The attribute's value, or a null string when the element lacks it.
    QString attribute(QStringView name) const;

    // The last element child with exactly this name, or nullptr.
    const XmlNode* lastChild(QStringView name) const;
    // The last element child whose name after its prefix matches, or nullptr.
    const XmlNode* lastChildByLocalName(QStringView localName) const;
    const XmlNode* firstElementChild() const;

    // The direct Text and CData children, concatenated in order.
    QString childText() const;

    // Building (used by XmlTreeReader).
    XmlNode& appendChild(XmlNode&& child);
    void appendText(Kind kind, const QString& text);
    void addAttribute(QString name, QString value);

private:
    Kind m_kind;
    QString m_value;
    std::vector<Attribute> m_attributes;
    std::vector<XmlNode> m_children;
};
