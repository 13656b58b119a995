#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>
#include <utility>
#include <vector>

// One node of the editor page's content as the page script reports it.
struct RichDomNode {
    enum class Kind { Element, Text, Comment };

    Kind kind = Kind::Text;
    // Element: its name as the page gives it, in any case ("P", "img").
    QString name;
    // Element: its attributes in DOM order.
    QList<std::pair<QString, QString>> attributes;
    // Text and comment: their data.
    QString text;
    std::vector<RichDomNode> children;

    bool isElement() const { return kind == Kind::Element; }
    bool isText() const { return kind == Kind::Text; }
    // Element with that name, compared without case.
    bool is(QLatin1StringView elementName) const;
    // The value of the attribute `attribute` (compared without case), or null.
    QString attribute(QLatin1StringView attribute) const;
};

// One end of a DOM selection: child indexes leading down from the content
// division to the container, and the offset in it (characters in a text,
// children in an element).
struct RichDomBoundary {
    QList<int> path;
    int offset = 0;
};

struct RichDomSelection {
    RichDomBoundary start;
    RichDomBoundary end;
};

// The content division of the editor page, with the selection when it lies in
// the division. The page script sends it as JSON:
//
//   {"root": NODE, "selection": {"start": [i, j, ..., offset], "end": [...]} or null,
//    "authorSpaces": [[i, j, ..., offset], ...] (optional)}
//
// where NODE is a string for a text node, ["#comment", data] for a comment,
// and [nodeName, [attrName, attrValue, ...], NODE...] for an element; or, in
// place of "root", "html": the division's markup as the engine writes it
// (RichMarkupReader), with adjacent texts counted as one in the paths.
struct RichDomSnapshot {
    RichDomNode root;
    // The markup the nodes were read from, when they were; they refer to it.
    QString markup;
    std::optional<RichDomSelection> selection;
    // The non-breaking spaces the post itself held when it was loaded and
    // still holds: each a text and the offset of the space in it. The
    // serializer keeps these; only the editor's own may become plain spaces.
    QList<RichDomBoundary> authorSpaces;

    // Null, with the reason in `error`, when the text is not such a snapshot.
    static std::optional<RichDomSnapshot> fromJson(const QByteArray& json,
                                                   QString* error = nullptr);

    // The same from the value the page script answers a call with:
    // {"html": markup, "selection": {"start": [...], "end": [...]} or null}.
    // Null when it holds no markup.
    static std::optional<RichDomSnapshot> fromPageValue(const QVariantMap& value);

    // The container a boundary names; null when the path leads nowhere.
    const RichDomNode* container(const RichDomBoundary& boundary) const;
};
