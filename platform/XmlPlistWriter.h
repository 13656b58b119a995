#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Writes QVariant trees as XML property lists in the usual layout (document
// type, tab indents). Dates are written to the second.
class XmlPlistWriter {
public:
    static constexpr int MaxDepth = 512;

    // The document, or empty with the reason in *error for a value no property
    // list can hold, a text XML cannot carry or nesting too deep.
    static QByteArray write(const QVariant& value, QString* error = nullptr);
};
