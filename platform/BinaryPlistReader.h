#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Reads binary property lists ("bplist00") into QVariant trees (the value
// mapping of PropertyList). It checks the trailer, every offset, length and
// object reference, refuses reference cycles, absurd nesting and small files
// that expand into millions of values through shared references. The system
// parser aborts on some damaged files, so binary input never reaches it.
class BinaryPlistReader {
public:
    static constexpr qint64 MaxExpandedNodes = 1'000'000;
    static constexpr int MaxDepth = 512;

    // An invalid QVariant on failure, with the reason in *problem.
    static QVariant read(const QByteArray& bytes, QString* problem = nullptr);
};
