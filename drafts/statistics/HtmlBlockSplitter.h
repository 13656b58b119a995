// Where a post's HTML may be cut into top-level blocks.
#pragma once

#include <QByteArrayView>
#include <vector>

// A quick scan of the tags of a post (no parse) for the places between its
// top-level blocks: before the start tag of a block element and after a
// <br>, both outside every other element. The scan only proposes: the reader
// confirms each cut by reading the piece before it (HtmlTextReader's
// `closedAtEnd`). A post whose markup could change how the parser reads what
// follows (a doctype, processing instruction, CDATA section, or its own
// html, head or body tags) gets no cuts.
namespace HtmlBlockSplitter {

// Offsets into `utf8`, ascending, each strictly between 0 and its size.
std::vector<qsizetype> cuts(QByteArrayView utf8);

} // namespace HtmlBlockSplitter
