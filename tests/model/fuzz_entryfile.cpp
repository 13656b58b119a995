// Feeds arbitrary bytes to what reads entries from outside: the entry file
// reader (a damaged or foreign ".plumet" file) and the server-text scanners
// (tag links and tag blocks of a post body, Tidy's checks). None may crash,
// an entry read from a file must write back, and reading the file as a load
// does (its dictionary prepared on a worker first) must give the same entry.
#include "Blog.h"
#include "Entry.h"
#include "EntryFile.h"
#include "EntryRenderer.h"
#include "HtmlTidy.h"
#include "RecordKey.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_entryfile";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Blog blog;

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto dictionary = EntryFile::readDictionary(bytes)) {
        const EntryPtr entry = EntryFile::entryFromFileDictionary(*dictionary);
        QVariantMap prepared = *dictionary;
        EntryFile::prepareFileDictionary(prepared);
        const EntryPtr loaded = EntryFile::entryFromFileDictionary(prepared, true);
        // A file without a usable identifier or date gets fresh ones each time.
        if (entry->uniqueID() != loaded->uniqueID()) {
            const QVariant id = dictionary->value(QStringLiteral("uniqueID"));
            if (id.typeId() == QMetaType::QString &&
                !StoredValue::readableText(id.toString()).trimmed().isEmpty())
                abort();
            entry->setUniqueID(QStringLiteral("same"));
            loaded->setUniqueID(QStringLiteral("same"));
        }
        if (entry->entryDate() != loaded->entryDate()) {
            const QVariant date = dictionary->value(QStringLiteral("entryDate"));
            if (date.typeId() == QMetaType::QDateTime ||
                EntryFile::parseStoredDate(date.toString()).isValid())
                abort();
            const QDateTime when = QDateTime::fromSecsSinceEpoch(1700000000);
            entry->setEntryDate(when);
            loaded->setEntryDate(when);
        }
        if (EntryFile::fileBytes(*entry) != EntryFile::fileBytes(*loaded))
            abort();
    }

    const QString text = QString::fromUtf8(bytes);
    auto entry = Entry::create();
    entry->setParentBlog(&blog);
    const EntryRenderer renderer(*entry);
    renderer.extractTags(text);
    if (size < 4096) { // Tidy is slow; short inputs find its edge cases just as well
        renderer.htmlIsValid(text);
        HtmlTidy::prettyPrint(text);
    }
    blog.setCategories(std::nullopt); // tags learnt from one input do not pile up
    return 0;
}
