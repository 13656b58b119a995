// The rich editor page's commands, the functions C++ calls: styles, lists,
// insertions, selection and focus.

// ---- Lists.

// Characters of text in `root` before (node, offset).
function textOffset(root, node, offset) {
    var range = document.createRange();
    range.setStart(root, 0);
    range.setEnd(node, offset);
    return range.toString().length;
}

function placeAtTextOffset(root, count) {
    var walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
    var last = null;
    for (var text = walker.nextNode(); text; text = walker.nextNode()) {
        last = text;
        if (count <= text.data.length) {
            placeCaret(text, count);
            return;
        }
        count -= text.data.length;
    }
    if (last)
        placeCaret(last, last.data.length);
    else
        placeCaret(root, root.childNodes.length);
}

// The paragraphs a list is made of: the top blocks from the selection's
// start to its end, under the division or a block quote.
function paragraphsOf(range) {
    function top(node) {
        var root = division();
        for (var n = node; n && n !== root; n = n.parentNode) {
            var parent = n.parentNode;
            if (n.nodeType === Node.ELEMENT_NODE && n.nodeName === "P" &&
                (parent === root || parent.nodeName === "BLOCKQUOTE"))
                return n;
        }
        return null;
    }
    var first = top(range.startContainer);
    var last = top(range.endContainer);
    if (!first || !last || first.parentNode !== last.parentNode)
        return null;
    var blocks = [];
    for (var n = first; n; n = n.nextSibling) {
        if (n.nodeType === Node.ELEMENT_NODE) {
            if (n.nodeName !== "P")
                return null;
            blocks.push(n);
        }
        if (n === last)
            return blocks;
    }
    return null;
}

// The engine nests a list it makes from a paragraph inside that
// paragraph, which no parser reads back: paragraphs become the items of
// one list here, in one step the user can undo.
function makeList(name) {
    var selection = window.getSelection();
    var range = selection.getRangeAt(0);
    if (enclosing(range.startContainer, ["UL", "OL"]))
        return document.execCommand(name === "OL" ? "insertOrderedList" : "insertUnorderedList");
    var blocks = paragraphsOf(range);
    if (!blocks)
        return document.execCommand(name === "OL" ? "insertOrderedList" : "insertUnorderedList");
    var caret = textOffset(blocks[0], range.startContainer, range.startOffset);
    var html = "<" + name.toLowerCase() + ">";
    for (var i = 0; i < blocks.length; ++i)
        html += "<li>" + (blocks[i].innerHTML || "<br>") + "</li>";
    html += "</" + name.toLowerCase() + ">";
    var whole = document.createRange();
    whole.setStartBefore(blocks[0]);
    whole.setEndAfter(blocks[blocks.length - 1]);
    selection.removeAllRanges();
    selection.addRange(whole);
    var done = document.execCommand("insertHTML", false, html);
    var list = enclosing(window.getSelection().anchorNode, [name]);
    if (!list) {
        var before = window.getSelection().anchorNode;
        list = before && before.previousSibling && before.previousSibling.nodeName === name
            ? before.previousSibling : null;
    }
    if (list && list.firstElementChild)
        placeAtTextOffset(list.firstElementChild, caret);
    return done;
}

// ---- Commands C++ calls.

// A command acts in the content: without a selection there, at its end.
function caretInContent() {
    var root = division();
    if (!root)
        return false;
    var selection = window.getSelection();
    if (selection.rangeCount === 0 || !inContent(selection.getRangeAt(0).startContainer))
        placeCaret(root, root.childNodes.length);
    return true;
}

function command(name, value) {
    if (!caretInContent())
        return false;
    var done;
    switch (name) {
    case "insertOrderedList":
        done = makeList("OL");
        break;
    case "insertUnorderedList":
        done = makeList("UL");
        break;
    case "bold":
    case "italic":
    case "underline":
        // The button says what the words should be; the engine toggles.
        done = document.queryCommandState(name) === !!value ||
               document.execCommand(name, false, null);
        break;
    case "blockquote":
        done = document.execCommand("formatBlock", false, value ? "blockquote" : "p");
        break;
    default:
        done = document.execCommand(name, false, value === undefined ? null : value);
    }
    scheduleState();
    return done;
}

plumet.editorSnapshot = snapshot;
plumet.editorLoadedBlocks = function () {
    var blocks = loadedBlocks || {};
    loadedBlocks = null;
    return blocks;
};
plumet.editorSelectionState = selectionState;
plumet.editorCommand = command;
plumet.editorContextTarget = function () { return contextTarget; };
// The markup `html` in place of the selection, as one undoable step.
plumet.editorInsertHtml = function (html) {
    if (!caretInContent())
        return false;
    return document.execCommand("insertHTML", false, html);
};
plumet.editorSelectedText = function () {
    var selection = window.getSelection();
    if (selection.rangeCount === 0 || !inContent(selection.getRangeAt(0).startContainer))
        return "";
    return selection.toString();
};
// The whole post selected: a result for the whole text replaces all of it.
plumet.editorSelectAll = function () {
    var root = division();
    if (!root)
        return false;
    root.focus({ preventScroll: true });
    var range = document.createRange();
    range.selectNodeContents(root);
    var selection = window.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    return true;
};
// The link the context menu was opened on, replaced by what it holds.
plumet.editorRemoveLink = function () {
    if (!linkElement || !linkElement.isConnected)
        return false;
    var range = document.createRange();
    range.selectNodeContents(linkElement);
    var selection = window.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    return document.execCommand("unlink", false, null);
};
plumet.editorSetSpellChecking = function (on) {
    var root = division();
    if (root)
        root.setAttribute("spellcheck", on ? "true" : "false");
    return !!root;
};
plumet.editorSetEditable = function (editable) {
    var root = division();
    if (root)
        root.setAttribute("contenteditable", editable ? "true" : "false");
    return !!root;
};
// The focus came without a click (the keyboard, a switch of editors):
// the content takes it with the caret where it last was, or at the end
// of a post never written in, so the keys typed next go into the post.
// A caret the content already holds stays where it is.
plumet.editorFocus = function () {
    var root = division();
    if (!root || root.getAttribute("contenteditable") !== "true")
        return false;
    var current = focusedWithoutCaret ? null : selectionInContent();
    root.focus({ preventScroll: true });
    focusedWithoutCaret = false;
    if (current)
        return true;
    var selection = window.getSelection();
    if (lastRange && inContent(lastRange.startContainer) && inContent(lastRange.endContainer)) {
        selection.removeAllRanges();
        selection.addRange(lastRange.cloneRange());
    } else {
        placeCaret(root, root.childNodes.length);
    }
    return true;
};
