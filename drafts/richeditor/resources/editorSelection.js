// The rich editor page's selection: the state the style bar shows, and where
// the caret stood when the content lost the focus.

// ---- What the style bar shows.

function alignment(element) {
    var value = window.getComputedStyle(element).textAlign;
    if (value === "start" || value === "-webkit-left" || value === "-webkit-auto")
        return window.getComputedStyle(element).direction === "rtl" ? "right" : "left";
    if (value === "end")
        return window.getComputedStyle(element).direction === "rtl" ? "left" : "right";
    if (value === "-webkit-center")
        return "center";
    if (value === "-webkit-right")
        return "right";
    return value;
}

function selectionState() {
    var selection = window.getSelection();
    var state = {
        hasSelection: false, editable: !!division(), bold: false, italic: false,
        underline: false, alignment: "", blockquote: false, orderedList: false,
        unorderedList: false, canUndo: document.queryCommandEnabled("undo"),
        canRedo: document.queryCommandEnabled("redo"), composing: composing,
        collapsed: true
    };
    if (selection.rangeCount === 0 || !inContent(selection.getRangeAt(0).startContainer))
        return state;
    var range = selection.getRangeAt(0);
    var node = textAtCaret(range);
    if (!node) {
        node = range.startContainer;
        if (node.nodeType === Node.ELEMENT_NODE && node.childNodes.length > range.startOffset)
            node = node.childNodes[range.startOffset];
    }
    if (node.nodeType !== Node.ELEMENT_NODE)
        node = node.parentNode;
    state.hasSelection = true;
    state.collapsed = range.collapsed;
    state.bold = document.queryCommandState("bold");
    state.italic = document.queryCommandState("italic");
    state.underline = document.queryCommandState("underline");
    state.alignment = alignment(node);
    state.blockquote = !!enclosing(node, ["BLOCKQUOTE"]);
    state.orderedList = !!enclosing(node, ["OL"]);
    state.unorderedList = !!enclosing(node, ["UL"]);
    return state;
}

function reportState() {
    stateTimer = 0;
    if (editor)
        editor.selectionChanged(JSON.stringify(selectionState()));
}

function scheduleState() {
    if (!stateTimer)
        stateTimer = window.setTimeout(reportState, 30);
}

// The selection as it stood when the content last lost the focus.
var lastRange = null;
// The content took the focus with no caret in it: the engine then puts
// one at its start, a place the user did not choose.
var focusedWithoutCaret = false;

function selectionInContent() {
    var selection = window.getSelection();
    if (selection.rangeCount === 0)
        return null;
    var range = selection.getRangeAt(0);
    return inContent(range.startContainer) && inContent(range.endContainer) ? range : null;
}

function onContentFocus() {
    focusedWithoutCaret = !selectionInContent();
}

function onContentBlur() {
    var range = selectionInContent();
    if (range)
        lastRange = range.cloneRange();
    focusedWithoutCaret = false;
    // The engine ends a composition when the content loses the focus, at
    // times without a compositionend: none outlives the focus, or the keys
    // and the snapshots would wait for its end for ever.
    if (composing) {
        composing = false;
        scheduleState();
        scheduleSnapshot();
    }
}
