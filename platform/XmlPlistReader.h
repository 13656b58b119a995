#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Reads XML property lists into QVariant trees (the value mapping of
// PropertyList), checking every value the way BinaryPlistReader does: a date,
// integer, real or data element that cannot be carried exactly is an error,
// never a nearby value. Entity declarations are refused, nesting is capped.
class XmlPlistReader {
public:
    static constexpr int MaxDepth = 512;

    // An invalid QVariant on failure, with the reason in *problem.
    static QVariant read(const QByteArray& bytes, QString* problem = nullptr);
};
