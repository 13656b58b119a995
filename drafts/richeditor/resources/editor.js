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

function isText(node) {
    return node.nodeType === Node.TEXT_NODE || node.nodeType === Node.CDATA_SECTION_NODE;
}

function counts(node) {
    return node.nodeType === Node.ELEMENT_NODE || node.nodeType === Node.COMMENT_NODE ||
           (isText(node) && node.data.length > 0);
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
