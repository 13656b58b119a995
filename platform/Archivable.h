#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <memory>

class KeyedArchiver;
class KeyedUnarchiver;

// A record that can be stored in a keyed archive. Each class writes its own
// keys in encodeWithCoder() and reads them back in initWithCoder(); its
// archive class name ("Account", "Blog", "Entry", ...) is what the file
// names, so it must never change.
class Archivable {
public:
    virtual ~Archivable() = default;

    virtual QString archiveClassName() const = 0;

    // The "$classes" list of the archive: this class and its ancestors, most
    // derived first ("Entry", "Genetic", "NSObject").
    virtual QStringList archiveClassChain() const
    {
        return {archiveClassName(), QStringLiteral("NSObject")};
    }

    virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;
    virtual void initWithCoder(KeyedUnarchiver& coder) = 0;
};

// Decoded records travel inside QVariant trees as shared references, so two
// references to one archived object decode to one object.
using ArchivableRef = std::shared_ptr<Archivable>;

Q_DECLARE_METATYPE(ArchivableRef)
