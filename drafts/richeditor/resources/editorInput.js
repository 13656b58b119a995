// The rich editor page's answers to the user's keys and clicks: the typing
// rules, double clicks, followed links and the context menu's target.

// ---- Typing rules.

// Enter outside any block: the words around the caret become a paragraph
// first, so Enter splits paragraphs instead of leaving loose lines.
function wrapLooseLine(range) {
    var root = division();
    var node = range.startContainer;
    if (node === root)
        node = root.childNodes[range.startOffset] || root.lastChild;
    if (!node)
        return;
    while (node.parentNode && node.parentNode !== root)
        node = node.parentNode;
    if (node.parentNode !== root)
        return;
    if (node.nodeType === Node.ELEMENT_NODE &&
        window.getComputedStyle(node).display !== "inline")
        return;
    var first = node;
    while (first.previousSibling && !isBlockOrBreak(first.previousSibling))
        first = first.previousSibling;
    var last = node;
    while (last.nextSibling && !isBlockOrBreak(last.nextSibling))
        last = last.nextSibling;
    var startContainer = range.startContainer;
    var startOffset = range.startOffset;
    var paragraph = document.createElement("p");
    root.insertBefore(paragraph, first);
    for (var n = first; n;) {
        var next = n === last ? null : n.nextSibling;
        paragraph.appendChild(n);
        n = next;
    }
    if (startContainer === root)
        placeCaret(paragraph, paragraph.childNodes.length);
    else
        placeCaret(startContainer, startOffset);
}

function isBlockOrBreak(node) {
    if (node.nodeType !== Node.ELEMENT_NODE)
        return false;
    return node.nodeName === "BR" || window.getComputedStyle(node).display !== "inline";
}

// The placeholder text the caret stands on: a block's first text, holding
// the placeholder space and at most one blank more.
function placeholderAt(range) {
    var text = textAtCaret(range);
    if (!text || text.previousSibling || text.data.length >= 3 || text.data.charAt(0) !== NBSP)
        return null;
    return text.data.substring(1).trim() === "" ? text : null;
}

// The placeholder of a blank post, once it has grown into a longer text
// (words pasted after it, say), the caret in it: typing there turns the
// placeholder into a plain space, the character going in at the caret.
// Only the page's own placeholder: the engine writes a space the user
// typed at the start of a text with the same character, and that one
// stays. The space is set on the text directly, as an editing command
// would move the words into the element before them; it is the same
// length, so the engine's undo steps still fit, and the post stores a
// lone placeholder as a space anyway.
function growingPlaceholder(range) {
    var text = placeholderText;
    if (!text || !text.isConnected || range.startContainer !== text ||
        text.data.length < 2 || text.data.charAt(0) !== NBSP)
        return null;
    return text;
}

function onBeforeInput(event) {
    var selection = window.getSelection();
    if (selection.rangeCount === 0)
        return;
    var range = selection.getRangeAt(0);
    if (!inContent(range.startContainer))
        return;
    switch (event.inputType) {
    case "insertParagraph":
        if (!enclosing(range.startContainer,
                       ["P", "LI", "DT", "DD", "BLOCKQUOTE", "DIV", "PRE", "H1", "H2",
                        "H3", "H4", "H5", "H6", "TD", "TH"]))
            wrapLooseLine(range);
        return;
    case "insertText":
        // Typing over the placeholder space of an empty block replaces it.
        var placeholder = range.collapsed ? placeholderAt(range) : null;
        if (placeholder) {
            var over = document.createRange();
            over.setStart(placeholder, 0);
            over.setEnd(placeholder, 1);
            selection.removeAllRanges();
            selection.addRange(over);
        } else if (range.collapsed && event.data && event.data.length === 1 &&
                   growingPlaceholder(range)) {
            placeholderText.replaceData(0, 1, " ");
            placeholderText = null;
        }
        return;
    case "formatSetBlockTextDirection":
        event.preventDefault();
        var block = range.startContainer;
        while (block && (block.nodeType !== Node.ELEMENT_NODE || block.nodeName === "SPAN"))
            block = block.parentNode;
        if (!block || !inContent(block) || block === division())
            return;
        var rtl = event.data === "rtl";
        block.style.direction = rtl ? "rtl" : "ltr";
        block.style.textAlign = rtl ? "right" : "left";
        notifyChange();
        return;
    }
}

function notifyChange() {
    if (editor)
        editor.changed();
    scheduleSnapshot();
    scheduleState();
}

// ---- Clicks.

function onDoubleClick(event) {
    var target = event.target;
    if (target.nodeType === Node.ELEMENT_NODE && target.id && inContent(target))
        editor && editor.doubleClicked(target.id);
}

function onClick(event) {
    // A link in editable text places the caret; with Ctrl it is followed.
    if (!(event.ctrlKey || event.metaKey))
        return;
    var link = enclosing(event.target, ["A"]);
    if (link && link.hasAttribute("href")) {
        event.preventDefault();
        editor && editor.linkActivated(link.href);
    }
}

function onContextMenu(event) {
    var target = event.target;
    var link = enclosing(target, ["A"]);
    var image = isElement(target, "IMG") ? target : null;
    contextTarget = {
        link: link ? link.getAttribute("href") || "" : "",
        imageId: image ? image.id : "",
        imageSource: image ? image.src : "",
        hasSelection: !window.getSelection().isCollapsed
    };
    linkElement = link;
}
var linkElement = null;
