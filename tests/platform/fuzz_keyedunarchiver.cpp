// Feeds arbitrary bytes to the keyed unarchiver, with one record class
// registered so record decoding is reached too.
#include "ArchiveClassRegistry.h"
#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"

#include <cstddef>
#include <cstdint>

namespace {

class Probe : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("Note"); }
    void encodeWithCoder(KeyedArchiver&) const override {}
    void initWithCoder(KeyedUnarchiver& coder) override
    {
        for (const QString& key : coder.keys()) {
            coder.decodeObject(key);
            coder.decodeColor(key);
            coder.decodeRecord<Probe>(key);
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = [] {
        ArchiveClassRegistry::registerClass<Probe>(QStringLiteral("Note"));
        qSetMessagePattern(QStringLiteral("%{if-critical}%{message}%{endif}"));
        return true;
    }();
    (void)registered;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    QStringList warnings;
    const QVariant root = KeyedUnarchiver::unarchive(bytes, &error, &warnings);
    if (error.isEmpty() && root.isValid())
        KeyedArchiver::archivedData(root);
    return 0;
}
