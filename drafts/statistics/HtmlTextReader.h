// The visible text of a piece of a post's HTML, as a browser would show it.
#pragma once

#include <QByteArrayView>
#include <QString>

struct _xmlParserCtxt;

// What reading a piece of HTML gives. Whitespace that a browser would fold or
// drop at the edges is left out of `text`; what the piece asked for around
// its text is kept in the gaps, so that pieces read one by one join into the
// text of the whole.
struct HtmlTextPiece {
    // The separators a browser may put between two runs of text, weakest
    // first: a folded space, a tab between table cells, a line break between
    // blocks. The strongest one asked for wins.
    enum class Gap : unsigned char { None, Space, Tab, Break };

    QString text;
    int paragraphs = 0;
    // The strongest gap asked for before the first character of `text` (for
    // a piece without text: anywhere in it) and after its last one.
    Gap leadingGap = Gap::None;
    Gap trailingGap = Gap::None;
    // `text` begins with the line break of a <br>, which a pending space or
    // tab does not precede.
    bool startsWithLineBreak = false;
    // Every element the piece opened was closed by its end, so the parser
    // stood where it stood before the piece (only asked for with `probeEnd`).
    bool closedAtEnd = false;
};

// Reads HTML through libxml2's HTML SAX parser. Nothing is ever fetched: no
// network, no external entity or subset, no images; the document's own
// encoding hints are ignored (the text is UTF-8). Not thread-safe: one reader
// per thread.
class HtmlTextReader {
public:
    HtmlTextReader();
    ~HtmlTextReader();
    HtmlTextReader(const HtmlTextReader&) = delete;
    HtmlTextReader& operator=(const HtmlTextReader&) = delete;

    // Reads `utf8`, a whole post or one of its top-level pieces, as the
    // content of a body. With `probeEnd`, also tells whether the piece left
    // anything open at its end.
    HtmlTextPiece read(QByteArrayView utf8, bool probeEnd);

    // The element names that count as paragraphs.
    static bool isParagraphName(QByteArrayView lowerName);
    // The element names a browser breaks the line before and after.
    static bool isBlockName(QByteArrayView lowerName);

private:
    _xmlParserCtxt* m_context;
    QByteArray m_input;
};
