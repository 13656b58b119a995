#pragma once

#include "ModelTypes.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

class Blog;

// What an entry's texts contain: the attachment keys standing in them, the
// category and tag list, trackback pings and the automatic excerpt.
class EntryContent {
public:
    explicit EntryContent(Entry& entry) : m_entry(entry) {}

    // --- attachment keys ---
    // Key -> attachment; nullopt without a key list. Keys no text mentions are
    // dropped; keys the attachment library does not know are dropped and their
    // places in the texts blanked, but only once the library is loaded: before
    // that nothing is removed (the attachments already read are found).
    std::optional<QHash<QString, AttachmentPtr>> attachmentsFromKeys();
    // Replaces each listed key in `text` by its attachment's markup; an unknown
    // one by a space once the library is loaded, else it stays (the entry's
    // own texts are not changed).
    void applyAttachmentMarkup(QString& text) const;
    // Replaces `search` in the texts and the publish buffers.
    void applyMarkupToContents(const QString& search, const QString& markup);

    // --- categories and tags ---
    CategoryPtr hasCategoryWithName(const QString& name) const;
    CategoryPtr hasCategoryWithID(const QString& id) const;
    void addCategories(const CategoryList& categories);
    void clearCategories();
    void clearTags();
    // The entry's record of that title, or a new one appended; marked a tag and
    // registered with the blog.
    CategoryPtr addTag(const QString& title);
    // addTag for each title, with one change of the list and one of the blog's.
    void addTags(const QStringList& titles);
    void tagsFromKeywords(const QString& keywords);
    // Category names (XML-encoded) or records, and tag names, for publishing.
    void getCatsAndTags(QVariantList& categories, QStringList& tags, bool hasMTTypePublish) const;
    // The records of the categories that have an identifier.
    QVariantList getMTCats() const;
    // A name of a comma list as typed or sent: spaces and tabs around it removed.
    static QString trimSpacesAndTabs(const QString& text);

    QString asCategories() const;
    void setAsCategories(const QString& names);
    QString asTags() const;
    void setAsTags(const QString& names);
    QString asTrackbacks() const;
    void setAsTrackbacks(const QString& addresses);
    void clearEmptyPings();

    // --- excerpts ---
    // An excerpt of "summary_num" sentences of the formatted text; stored as the
    // summary when the blog system has an extended or summary field.
    std::optional<QString> createExcerpt();
    // The same from the formatted text (EntryRenderer::formattedTextLater), for
    // callers that must not wait for the formatter.
    std::optional<QString> createExcerptFromFormattedText(const QString& text);
    // The excerpt for a trackback ping.
    QString createExcerpt(int sentences) const;

private:
    Blog* blog() const;
    static QVariantMap categoryRecord(const Category& category);

    Entry& m_entry;
};
