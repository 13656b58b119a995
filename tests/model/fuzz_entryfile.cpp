// Feeds arbitrary bytes to what reads entries from outside: the entry file
// reader (a damaged or foreign ".plumet" file) and the server-text scanners
// (tag links and tag blocks of a post body, Tidy's checks). None may crash,
// and an entry read from a file must write back.
#include "Blog.h"
#include "Entry.h"
#include "EntryFile.h"
#include "EntryRenderer.h"
#include "HtmlTidy.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

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
        EntryFile::fileBytes(*entry);
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
