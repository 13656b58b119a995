#pragma once

#include "RichDomSnapshot.h"

#include <QString>
#include <vector>

// Reads the markup the engine writes for a part of a page (an element's
// innerHTML) back into nodes, as they stand in the page: every tag closed or
// void, attribute values in double quotes, text escaped with &amp; &lt; &gt;
// &nbsp; (and &quot; in values), the text of script, style and their kin
// verbatim. Nesting is taken as written, even where an HTML parser would
// move elements (a list inside a paragraph), so the nodes match the page's.
//
// Walking a large page node by node in page script is slow (each node the
// script touches costs a wrapper); the engine writes the same tree in a
// fraction of the time, so the editor reads it here.
namespace RichMarkupReader {

// The nodes of `markup`, in order. Adjacent texts come out as one node, as
// the page script counts them for the selection. Names and texts that need
// no decoding refer to `markup` without a copy: keep it (a copy of the
// QString will do) for as long as the nodes live.
std::vector<RichDomNode> read(const QString& markup);

} // namespace RichMarkupReader
