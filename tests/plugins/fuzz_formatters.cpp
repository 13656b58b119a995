// Feeds a post's text to both formatters, loaded from their bundles as the
// program loads them. ConvertBreaks must never crash nor drop text: what it
// writes is the text with paragraph and line-break tags around and between
// its words. Textile runs its converter script; for any text it must give an
// answer, unless the time limit stopped a slow run. Textile starts a program
// for each text, so it is asked only for inputs whose first byte is odd.
#include "FormatterManager.h"
#include "TextileRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The words of a text, without what ConvertBreaks adds or turns into its own
// forms: white space, slashes, and the tags of paragraphs and line breaks.
QString words(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace() || c == u'/'; });
    // Until none is left: taking one out may join the halves of another.
    for (qsizetype size = -1; size != text.size();) {
        size = text.size();
        text.remove(QStringLiteral("<p>"));
        text.remove(QStringLiteral("<br>"));
    }
    return text;
}

constexpr int textileTimeLimitMs = 5000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_formatters";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static FormatterManager* formatters = [] {
        auto* manager = new FormatterManager;
        manager->setUserFolder(QString());
        manager->loadFormatters();
        return manager;
    }();
    static PLUMETFormatterProtocol* convertBreaks = formatters->formatterForKey("ConvertBreaks");
    static const QString textileScript =
        QDir::cleanPath(QCoreApplication::applicationDirPath() +
                        QStringLiteral("/../plugins/textile.formatter/Resources/textile.perl"));
    check(convertBreaks != nullptr && formatters->formatterForKey("Textile") != nullptr);

    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString formatted = FormatterManager::formatText(convertBreaks, text);
    if (!text.contains(QLatin1String("<p"), Qt::CaseInsensitive))
        check(words(formatted) == words(text));
    else
        check(formatted == text);

    if (size > 0 && (data[0] & 1)) {
        QElapsedTimer clock;
        clock.start();
        const TextileRunner::Result result =
            TextileRunner(textileScript, textileTimeLimitMs).run(text);
        check(result.error.isEmpty() || clock.elapsed() >= textileTimeLimitMs);
    }
    return 0;
}
