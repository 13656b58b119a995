#pragma once

#include <QString>

class XmlNode;

// How the Atom decoder reads the text of an element (title, content, id, …).

// Markup content ("xhtml", "text/html", "application/xhtml+xml", or mode="xml")
// is written back out as XML, CDATA sections unwrapped; any other element gives
// its text with entities already replaced. The result is trimmed, and a single
// <div> that wraps the whole text is removed.
QString valueOfElement(const XmlNode& element);

// The text without a <div ...> … </div> that wraps all of it (whitespace
// around it aside); any other text comes back unchanged.
QString unwrapEnclosingDiv(const QString& text);

// CDATA sections copied unchanged, the text around them XML-unescaped.
QString decodeCDATA(const QString& piece);

// An XML node written back out as text.
QString serializeXmlNode(const XmlNode& node);
