#pragma once

#include "RichDomSnapshot.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

// Keeps the bytes of a post's untouched blocks. When the editor loads a post
// it cuts the source into top-level pieces (pieceLengths); the page parses
// the pieces with a marker between each two and says which pieces each
// top-level node of the content came from. Pieces whose nodes share a piece
// make one block, so every block is a range of the source and the nodes it
// parses to (the baseline).
//
// When the post is written, each block whose nodes are still there, equal,
// is written with its source bytes; only the nodes around them that are new
// or changed are serialized. What a block's bytes parse to is what the
// baseline holds, so the post reads the same either way.
//
// Pure: no page, no widgets.
class RichBlockMap {
public:
    // The source cut where a parser stands between top-level nodes, as far
    // as reading the tags tells; the page checks every cut.
    static QList<qsizetype> pieceLengths(QStringView source);

    // The map for `source`, cut into pieces of `lengths`, where the page
    // found its top-level nodes `baseline` and, for the n-th node, its first
    // and last piece at `nodePieces[2n]` and `[2n + 1]`. Null when the
    // report does not fit the source.
    static std::optional<RichBlockMap> make(const QString& source, const QList<qsizetype>& lengths,
                                            const QList<int>& nodePieces,
                                            std::vector<RichDomNode> baseline,
                                            QString baselineMarkup);

    struct Part {
        QString text;
        bool fresh = false; // serialized from the content, not the source's bytes
    };
    // The post for the top-level nodes `now`: source bytes for every block
    // found unchanged, in order, and `serialize(first, count)` for each run
    // of other nodes between them.
    using Serialize = std::function<QString(size_t first, size_t count)>;
    QList<Part> splice(const std::vector<RichDomNode>& now, const Serialize& serialize) const;

    // Parts joined.
    static QString join(const QList<Part>& parts);

    qsizetype blockCount() const { return m_blocks.size(); }

    // Deep equality of two nodes, as the page shows them.
    static bool equal(const RichDomNode& a, const RichDomNode& b);

private:
    struct Block {
        qsizetype sourceStart = 0;
        qsizetype sourceLength = 0;
        size_t firstNode = 0;
        size_t nodeCount = 0;
        size_t hash = 0; // of its first node
    };

    QString m_source;
    QString m_baselineMarkup; // the baseline's nodes refer to it
    std::vector<RichDomNode> m_baseline;
    QList<Block> m_blocks;
};
