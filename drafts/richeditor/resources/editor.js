// The rich editor's page functions, beside the shared ones of page.js in our
// isolated world. The content's own world sees neither them nor the channel.
// Everything the editor keeps of the page it learns from here, as plain values:
// the content as a snapshot, the selection state, the clicks it cares about.
//
// This first part holds the state and the helpers every part shares. The
// parts run as one script, in one function's scope, in the order TKWebView
// lists them; the last one starts the page.

var NBSP = "\u00a0";
var content = null;
var editor = null;      // the channel's "editor" object, once connected
var composing = false;
var contextTarget = {};
var snapshotTimer = 0;
// The text of the placeholder paragraph of a blank post, while it lasts.
var placeholderText = null;
// One live range over each non-breaking space the post itself holds, as
// loaded: the engine moves them with the edits around them, and a space
// the engine rewrites or removes drops out. Only the editor's own spaces
// may become plain ones when the post is written.
var authorSpaces = [];
var stateTimer = 0;

function division() {
    if (!content || !content.isConnected)
        content = document.getElementById("plumetcontent");
    return content;
}

function isElement(node, name) {
    return node && node.nodeType === Node.ELEMENT_NODE && node.nodeName === name;
}

// The nearest element at or above `node` with one of `names`, inside the content.
function enclosing(node, names) {
    var root = division();
    for (var n = node; n && n !== root; n = n.parentNode) {
        if (n.nodeType === Node.ELEMENT_NODE && names.indexOf(n.nodeName) >= 0)
            return n;
    }
    return null;
}

function inContent(node) {
    var root = division();
    return !!root && (node === root || root.contains(node));
}

// ---- The snapshot: the content's markup and the selection in it.

function isText(node) {
    return node.nodeType === Node.TEXT_NODE || node.nodeType === Node.CDATA_SECTION_NODE;
}

function counts(node) {
    return node.nodeType === Node.ELEMENT_NODE || node.nodeType === Node.COMMENT_NODE ||
           (isText(node) && node.data.length > 0);
}

// Nodes as the engine's markup gives them back: adjacent texts make one
// node, empty texts none. Answers the index of the node that `child`
// belongs to, and for a text the characters of its run before it.
function normalized(parent, child) {
    var index = -1;
    var textBefore = 0;
    var previousWasText = false;
    for (var n = parent.firstChild; n; n = n.nextSibling) {
        if (n === child) {
            if (isText(n))
                return { index: previousWasText ? index : index + 1,
                         textBefore: previousWasText ? textBefore : 0 };
            return { index: index + 1, textBefore: 0 };
        }
        if (!counts(n))
            continue;
        if (isText(n)) {
            if (!previousWasText) {
                ++index;
                textBefore = 0;
            }
            textBefore += n.data.length;
            previousWasText = true;
        } else {
            ++index;
            previousWasText = false;
        }
    }
    return { index: index + 1, textBefore: 0 };
}

// Child indexes from the content division down to (node, offset), then
// the offset, counted as the engine's markup reads back.
function boundary(node, offset) {
    var root = division();
    var path = [];
    if (isText(node)) {
        var place = normalized(node.parentNode, node);
        offset += place.textBefore;
        path.unshift(offset);
    } else {
        var child = node.childNodes[offset];
        path.unshift(child ? normalized(node, child).index : normalized(node, null).index);
    }
    for (var n = node; n !== root; n = n.parentNode) {
        if (!n || !n.parentNode)
            return null;
        path.unshift(normalized(n.parentNode, n).index);
    }
    return path;
}

function markAuthorSpaces(root) {
    authorSpaces = [];
    var walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
    for (var text = walker.nextNode(); text; text = walker.nextNode()) {
        if (text === placeholderText)
            continue;
        var data = text.data;
        for (var i = data.indexOf(NBSP); i >= 0; i = data.indexOf(NBSP, i + 1)) {
            var range = document.createRange();
            range.setStart(text, i);
            range.setEnd(text, i + 1);
            authorSpaces.push(range);
        }
    }
}

// Where the post's own non-breaking spaces stand now, as boundaries.
function authorSpaceBoundaries() {
    var kept = [];
    var places = [];
    for (var i = 0; i < authorSpaces.length; ++i) {
        var range = authorSpaces[i];
        var text = range.startContainer;
        if (text !== range.endContainer || !isText(text) ||
            range.endOffset !== range.startOffset + 1 ||
            text.data.charAt(range.startOffset) !== NBSP || !inContent(text))
            continue;
        kept.push(range);
        var place = boundary(text, range.startOffset);
        if (place)
            places.push(place);
    }
    authorSpaces = kept;
    return places;
}

function snapshot() {
    var root = division();
    if (!root)
        return null;
    // The engine writes the markup far faster than script can walk the
    // nodes; the editor reads it back into the same nodes.
    var result = { html: root.innerHTML, selection: null,
                   authorSpaces: authorSpaceBoundaries() };
    var selection = window.getSelection();
    if (selection.rangeCount > 0) {
        var range = selection.getRangeAt(0);
        if (inContent(range.startContainer) && inContent(range.endContainer)) {
            var start = boundary(range.startContainer, range.startOffset);
            var end = boundary(range.endContainer, range.endOffset);
            if (start && end)
                result.selection = { start: start, end: end };
        }
    }
    return result;
}

function scheduleSnapshot() {
    if (snapshotTimer)
        window.clearTimeout(snapshotTimer);
    snapshotTimer = window.setTimeout(function () {
        snapshotTimer = 0;
        if (editor && !composing)
            editor.contentSnapshot(JSON.stringify(snapshot()));
    }, 1000);
}

function placeCaret(node, offset) {
    var range = document.createRange();
    range.setStart(node, offset);
    range.collapse(true);
    var selection = window.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
}

// The text beside a caret, looking into the elements around it.
function textAtCaret(range) {
    var node = range.startContainer;
    if (node.nodeType === Node.TEXT_NODE)
        return node;
    var before = node.childNodes[range.startOffset - 1];
    if (before) {
        while (before.lastChild)
            before = before.lastChild;
        if (before.nodeType === Node.TEXT_NODE)
            return before;
    }
    var after = node.childNodes[range.startOffset];
    while (after && after.firstChild)
        after = after.firstChild;
    return after && after.nodeType === Node.TEXT_NODE ? after : null;
}
