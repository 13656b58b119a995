// The rich editor page's snapshot: the content's markup, the selection in it
// and the post's own non-breaking spaces, as boundaries the editor reads back.

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
