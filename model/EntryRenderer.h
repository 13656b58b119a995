#pragma once

#include <QString>
#include <functional>

class Entry;
class PLUMETFormatterProtocol;
class QObject;

// How an entry turns its texts into HTML: the formatter for its format, the
// preview page from the blog's preview template, HTML checking for the rich
// editor, the tags that tag links in server texts name, and the entry's
// "x-blogpost:" address.
class EntryRenderer {
public:
    // Where formatters are found: the shared FormatterManager unless replaced.
    struct FormatterLookup {
        std::function<PLUMETFormatterProtocol*(const QString& format)> forFormat;
        std::function<PLUMETFormatterProtocol*(const QString& key)> forKey;
    };
    static void setFormatterLookup(FormatterLookup lookup);

    explicit EntryRenderer(Entry& entry) : m_entry(entry) {}

    // body, "\n\n" and extended, through the formatter ("Generic" for an empty
    // format), in canonical composition.
    QString formattedText() const;
    // The same, with the formatter run on a worker thread: a formatter may be an
    // outside program taking many seconds, and the window must not wait for it.
    // Formatters keep their synchronous protocol; they are called one at a time,
    // in the order asked. `done` runs once on `context`'s thread, never after
    // `context` is gone.
    void formattedTextLater(QObject* context, std::function<void(const QString&)> done) const;
    // The formatter of the entry's format; null for an empty format.
    PLUMETFormatterProtocol* usedFormatter() const;
    QString urlTemplateForSelectedFormat() const;
    // The text for the rich editor; null when it is HTML that fails validation
    // (the entry then holds the report and the repaired HTML).
    QString renderForRichEdit(const QString& text) const;
    // The same with the formatter and Tidy on worker threads, Tidy with its time limit
    // (HTML it could not check in time is taken as valid). `done` runs once on
    // `context`'s thread, never after `context` is gone; the report and repaired HTML
    // are stored in the entry first, if it is still there.
    void renderForRichEditLater(const QString& text, QObject* context,
                                std::function<void(const QString&)> done) const;
    // The same, with Tidy asked whatever the formatter (or none): what Validate
    // HTML checks.
    void validateLater(const QString& text, QObject* context,
                       std::function<void(const QString&)> done) const;
    QString renderForPreview() const;
    // The same, with the formatter run on the worker of formattedTextLater() and the
    // page put together on `context`'s thread, from the entry as it is then. `done`
    // runs once, never after `context` is gone; with a null page when the entry went
    // away meanwhile.
    void renderForPreviewLater(QObject* context, std::function<void(const QString&)> done) const;
    // The category line and the tag line of the preview.
    void catsAndTagsNames(QString& categories, QString& tags) const;
    // Validates with Tidy and stores the report and repaired HTML in the entry.
    bool htmlIsValid(const QString& html) const;
    // Adds the tags that the text's tag links name; answers the trimmed text
    // without tag blocks.
    QString extractTags(const QString& text) const;
    // "x-blogpost://<MD5 of uniqueID>@<accountID>"
    QString blogpostURL() const;

private:
    enum class EmptyFormat { Generic, None, NoneWhenAccountHasFormats };
    PLUMETFormatterProtocol* formatter(EmptyFormat whenEmpty) const;
    void renderLater(const QString& text, QObject* context,
                     std::function<void(const QString&)> done, bool alwaysCheck) const;
    // body, "\n\n" and extended, before formatting.
    QString sourceText() const;
    // The preview template filled with the formatted text and the entry's fields.
    QString previewPage(const QString& formatted) const;

    Entry& m_entry;
};
