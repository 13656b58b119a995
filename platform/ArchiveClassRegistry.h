#pragma once

#include "Archivable.h"

#include <QString>
#include <functional>

// Maps archive class names to factories, so the unarchiver can build records
// of classes defined elsewhere. Record classes register once at start-up.
class ArchiveClassRegistry {
public:
    using Factory = std::function<ArchivableRef()>;

    static void registerClass(const QString& className, Factory factory);

    template <class T> static void registerClass(const QString& className)
    {
        registerClass(className, [] { return std::make_shared<T>(); });
    }

    static bool contains(const QString& className);

    // A new, empty object of the class, or null for a class nobody registered.
    static ArchivableRef create(const QString& className);
};
