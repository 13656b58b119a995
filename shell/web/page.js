// Our page functions. They run in the isolated application world: the
// content's own scripts (when any may run) can neither see nor change them.
"use strict";

var plumet = (function () {
    function root() {
        return document.body || document.documentElement;
    }

    // How many characters of text lie from the start of `range` to the end
    // of the document: a measure that only shrinks while a search moves on.
    function textAfter(range) {
        var rest = document.createRange();
        rest.setStart(range.startContainer, range.startOffset);
        rest.setEnd(root(), root().childNodes.length);
        return rest.toString().length;
    }

    return {
        // window.find from the current selection; the found text becomes the
        // selection.
        search: function (text, forward, caseSensitive, wrap) {
            var found = window.find(text, caseSensitive, !forward, wrap, false, true, false);
            var selection = window.getSelection();
            if (!found || selection.rangeCount === 0)
                return { found: false, textAfter: -1 };
            return { found: true, textAfter: textAfter(selection.getRangeAt(0)) };
        },

        // The markup of the selection, "" without one.
        selectionMarkup: function () {
            var selection = window.getSelection();
            if (selection.rangeCount === 0 || selection.isCollapsed)
                return "";
            var holder = document.createElement("div");
            for (var i = 0; i < selection.rangeCount; ++i)
                holder.appendChild(selection.getRangeAt(i).cloneContents());
            return holder.innerHTML;
        },

        moveCursorToStart: function () {
            var selection = window.getSelection();
            var start = document.createRange();
            start.setStart(root(), 0);
            start.collapse(true);
            selection.removeAllRanges();
            selection.addRange(start);
            return true;
        },

        // Replaces the selection as one step of the editor's undo history;
        // false where the selection is not editable.
        insertText: function (text) {
            if (window.getSelection().rangeCount === 0)
                return false;
            return document.execCommand("insertText", false, text);
        },

        // For tests and diagnosis: the document's text.
        text: function () {
            return root().innerText;
        }
    };
})();

// An Alt-click on a link asks to save its target (views that offer it show a
// save dialog); the engine's own download of it never starts.
window.addEventListener("click", function (event) {
    if (!event.altKey || event.button !== 0 || !event.target.closest)
        return;
    var link = event.target.closest("a[href]");
    if (!link)
        return;
    event.preventDefault();
    if (plumet.bridge)
        plumet.bridge.askToSave(String(link.href));
}, true);

new QWebChannel(qt.webChannelTransport, function (channel) {
    plumet.bridge = channel.objects.bridge;
    // Page scripts of a view that registers objects of its own pick them up
    // here, before the page says it is ready.
    (plumet.channelHooks || []).forEach(function (hook) { hook(channel.objects); });
    plumet.bridge.pageReady(window.location.href);
});
