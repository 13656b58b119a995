// Feeds arbitrary bytes to the keyed unarchiver with the record classes
// registered, then uses the records that come out as the program would: a
// stored archive must never crash the reader or what reads the records after.
#include "Attachment.h"
#include "Category.h"
#include "Entry.h"
#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "ModelArchiveClasses.h"
#include "Template.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

namespace {

void exercise(const ArchivableRef& record)
{
    if (const auto entry = std::dynamic_pointer_cast<Entry>(record)) {
        entry->dictionary();
        const EntryPtr saved = entry->copy();
        entry->setSaveIfNeeded(*saved);
        entry->restoreFromCopy(*saved);
    } else if (const auto category = std::dynamic_pointer_cast<Category>(record)) {
        category->dictionary();
        category->description();
        category->copy();
    } else if (const auto tmpl = std::dynamic_pointer_cast<Template>(record)) {
        tmpl->copy();
    } else if (const auto attachment = std::dynamic_pointer_cast<Attachment>(record)) {
        // No file is read: the path in the archive may name anything.
        attachment->generateMarkup(true, nullptr);
        attachment->copy();
    } else {
        return;
    }
    KeyedArchiver::archivedData(*record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        static int argc = 1;
        static char name[] = "fuzz_modelrecords";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // lives for the whole run
        registerModelArchiveClasses();
        qSetMessagePattern(QStringLiteral("%{if-critical}%{message}%{endif}"));
        return true;
    }();
    (void)ready;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    QStringList warnings;
    const QVariant root = KeyedUnarchiver::unarchive(bytes, &error, &warnings);
    if (!error.isEmpty())
        return 0;
    // Stationery is an array of entries; the other stores hold one record.
    const QVariantList items =
        root.typeId() == QMetaType::QVariantList ? root.toList() : QVariantList{root};
    for (const QVariant& item : items)
        exercise(item.value<ArchivableRef>());
    return 0;
}
