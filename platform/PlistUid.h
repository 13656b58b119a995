#pragma once

#include <QMetaType>
#include <QtGlobal>

// A UID node of a property list: the object reference of a keyed archive.
// Plain property lists never hold one; keyed archives hold little else.
struct PlistUid {
    quint64 value = 0;

    friend bool operator==(const PlistUid&, const PlistUid&) = default;
};

Q_DECLARE_METATYPE(PlistUid)
