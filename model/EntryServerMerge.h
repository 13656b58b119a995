#pragma once

#include "ModelTypes.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

// Brings the server's copy of an entry into the local one. Where the two only
// differ in form (white space, formatting markup and its quoting, a date
// within five minutes, the time zone the server shows dates in) the entry
// takes the server's version; what differs in substance goes into the entry's
// `diffs` for the comparison window (RVDiffTool), and the entry keeps its own.
// Markup that brings content (images, frames, embeds, scripts) and the
// addresses of src and href count as substance: a server that strips or
// rewrites them has changed the post.
//
// Main thread for entries a blog lists (the publishing road, the posts road
// once it has decoded its answers).
class EntryServerMerge {
public:
    // How far apart two dates may be and still be the same date.
    static constexpr int dateTolerance = 300;

    // Where the server's copy comes from. A read-back follows the publish of
    // what the entry holds: a field it brings back empty was sent and not kept.
    // A listed copy (a refresh) may show what the server changed meanwhile.
    enum class Copy { Listed, ReadBack };

    // Under this key `diffs` lists the fields the server did not keep
    // (notKept()), for the comparison window to say so.
    static const QString notKeptKey;

    explicit EntryServerMerge(Entry& entry) : m_entry(entry) {}

    // The publish buffers from the entry's texts: control characters removed,
    // attachment keys replaced by their markup. The entry's texts stay.
    void createBuffers();

    // Adopts the id the server gave the post: the entry is renamed, its file
    // written under the new name before the old one goes, its attachment
    // folder moved along, and it is no longer local only. Nothing is renamed
    // when the id is the entry's own. False for a missing id.
    bool processPostID(const QVariant& postID);
    // What went wrong on the way that the user should hear of, in a sentence
    // (the attachment folder that could not follow a new id); empty when nothing did.
    QString problem() const { return m_problem; }

    // Merges the entry dictionary the server sent (as its driver corrected
    // it). Rebuilds `diffs`; an empty one clears "changed locally" (4) and
    // takes the entry off RVDiffTool's list, any difference hands it there.
    // A field the copy lacks never empties the entry's; nor, in a read-back,
    // does one it brings back empty where the entry had a value: the entry
    // keeps its own and notKept() names the field. Such a note alone is no
    // change of the entry's: it clears "changed locally" as agreement does.
    void compareWithXML(const QVariantMap& post, Copy copy = Copy::Listed);

    // The fields the last read-back did not bring back though they were sent,
    // by their wire names ("title", "description", "mt_text_more",
    // "mt_excerpt", "mt_keywords", "mt_convert_breaks", "categories",
    // "tags" and the plug-in settings the publish sends), in that order.
    QStringList notKept() const { return m_notKept; }
    // "The server did not keep the tags and the categories."; empty for none.
    static QString notKeptSentence(const QStringList& fields);

    // The folder of the entry's attachments for an identifier: the support
    // folder, the account, the MD5 of the blog's and of the entry's identifier.
    static QString attachmentFolder(const Entry& entry, const QString& uniqueID);

private:
    void mergeDate(const QVariantMap& post, QVariantMap& diffs);
    void mergeText(const QVariant& value, const QString& key, const QString& sent,
                   void (Entry::*setter)(const QString&), QVariantMap& diffs);
    // The categories and tags the copy emptied or lacked, back where the
    // entry had them.
    void keepCategoriesAndTags(const QVariantMap& post, const CategoryList& before,
                               const QList<std::pair<bool, bool>>& beforeKinds);
    // The format and the sent plug-in settings a read-back brought back empty.
    void keepOtherSentFields(const QVariantMap& post, const QVariant& format,
                             const QVariantMap& settings);
    bool isReadBack() const { return m_copy == Copy::ReadBack; }

    Entry& m_entry;
    QString m_problem;
    Copy m_copy = Copy::Listed;
    QStringList m_notKept;
};
