// The rich editor page's start: the post and its style put in place, the
// pieces of the loaded content mapped to its source, the events listened to.

// The post, parsed as the division's content alone: a stray end tag in it
// closes nothing outside the post, so nothing of it lands beyond the
// division. Its scripts stay inert, as markup set this way never runs
// them and the page's policy refuses the rest.
// The content as it was loaded and, for each of its top-level nodes, the
// first and last piece of the source it came from; until C++ asks.
var loadedBlocks = null;

// The post parsed in one go with a marker comment between each two of
// its pieces: every marker found at the top tells where a piece begins.
// When a marker lands inside an element, the pieces were not whole
// nodes: the post is parsed as it stands and no piece is kept.
function applyPieces(root, html) {
    var holder = document.querySelector("meta[name=plumet-blocks]");
    var words = holder ? holder.getAttribute("content").split(" ") : [];
    if (holder)
        holder.remove();
    loadedBlocks = null;
    if (words.length < 3) {
        root.innerHTML = html;
        return;
    }
    var prefix = words[0] + ":";
    var marked = [];
    var at = 0;
    for (var k = 1; k < words.length; ++k) {
        var length = Number(words[k]);
        if (k > 1)
            marked.push("<!--" + prefix + (k - 1) + "-->");
        marked.push(html.substr(at, length));
        at += length;
    }
    if (at !== html.length) {
        root.innerHTML = html;
        return;
    }
    root.innerHTML = marked.join("");
    var piece = 0;
    var found = 0;
    var pieceOf = [];
    for (var n = root.firstChild; n;) {
        var next = n.nextSibling;
        if (n.nodeType === Node.COMMENT_NODE && n.data.indexOf(prefix) === 0) {
            piece = Number(n.data.substring(prefix.length));
            ++found;
            root.removeChild(n);
        } else {
            pieceOf.push([n, piece]);
        }
        n = next;
    }
    if (found !== words.length - 2) {
        root.innerHTML = html;
        return;
    }
    // Counted as the engine's markup reads back: adjacent texts one node.
    var nodePieces = [];
    var previousWasText = false;
    for (var i = 0; i < pieceOf.length; ++i) {
        var node = pieceOf[i][0];
        if (!counts(node))
            continue;
        if (isText(node) && previousWasText) {
            nodePieces[nodePieces.length - 1] = pieceOf[i][1];
            continue;
        }
        nodePieces.push(pieceOf[i][1], pieceOf[i][1]);
        previousWasText = isText(node);
    }
    loadedBlocks = { html: root.innerHTML, nodePieces: nodePieces };
}

function applyContent() {
    var holder = document.querySelector("meta[name=plumet-main]");
    var root = division();
    if (holder && root) {
        applyPieces(root, holder.getAttribute("content"));
        holder.remove();
        var first = root.firstChild;
        if (root.childNodes.length === 1 && isElement(first, "P") &&
            first.childNodes.length === 1 && isText(first.firstChild) &&
            first.firstChild.data === NBSP)
            placeholderText = first.firstChild;
        markAuthorSpaces(root);
    }
}

// The style text, set as text: whatever it holds cannot become markup.
function applyStyle() {
    var holder = document.querySelector("meta[name=plumet-style]");
    var style = document.getElementById("plumet-style");
    if (holder && style) {
        style.textContent = holder.getAttribute("content");
        holder.remove();
    }
    document.documentElement.style.removeProperty("visibility");
    if (!document.documentElement.getAttribute("style"))
        document.documentElement.removeAttribute("style");
}

function start() {
    if (!division())
        return;
    applyContent();
    applyStyle();
    // Enter makes paragraphs, as the posts have them, not divisions.
    document.execCommand("defaultParagraphSeparator", false, "p");
    document.execCommand("styleWithCSS", false, false);
    var root = division();
    root.addEventListener("beforeinput", onBeforeInput);
    root.addEventListener("input", notifyChange);
    root.addEventListener("dblclick", onDoubleClick);
    root.addEventListener("click", onClick, true);
    document.addEventListener("contextmenu", onContextMenu, true);
    root.addEventListener("compositionstart", function () { composing = true; scheduleState(); });
    root.addEventListener("compositionend", function () { composing = false; scheduleState(); });
    document.addEventListener("selectionchange", scheduleState);
    root.addEventListener("focus", onContentFocus);
    root.addEventListener("blur", onContentBlur);
}

start();
plumet.channelHooks = (plumet.channelHooks || []).concat([function (objects) {
    editor = objects.editor || null;
}]);
