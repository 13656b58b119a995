#pragma once

#include <QString>
#include <QStringView>

// Finds the element a "close tag" command closes: the innermost element left
// open before a position, scanning backwards through the tags and matching
// each end tag with its start tag. Names compare without regard to case.
// Elements that never take an end tag (void elements such as br, img and hr),
// self-closing tags, comments, declarations ("<!DOCTYPE …>") and processing
// instructions ("<?xml …?>") close nothing and are passed over.
namespace CloseTagScanner {

// Whether `name` is an HTML element without content, which must not get an
// end tag.
bool isVoidElement(QStringView name);

// "</name>" for the innermost element open in `text` before `end`, with the
// name as its start tag writes it; empty when every element is closed.
QString closingTag(QStringView text, qsizetype end);

} // namespace CloseTagScanner
