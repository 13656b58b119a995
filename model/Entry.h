// One post or page of a blog: its fields with their defaults, its flags, and what it asks of its
// blog and the roads.
#pragma once

#include "Archivable.h"
#include "EntryOwner.h"
#include "Genetic.h"
#include "ModelTypes.h"
#include "RecordKey.h"

#include <QDateTime>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <span>

class Account;

// One post or page of a blog: its texts, publishing options, categories and tags,
// the keys of the attachments its texts use, and the flag bits that say where it
// stands between the local store and the server.
//
// Unset fields are null (QString), nullopt or an invalid QVariant. The getters of
// `format`, `flag`, `editMode`, `hasCustomDate`, `entryDate`, `pingUris` and
// `pluginSettings` store their default on first read; the five options read the
// blog's value without storing it.
class Entry : public Genetic, public Archivable, public std::enable_shared_from_this<Entry> {
    Q_OBJECT
public:
    enum FlagBit {
        LocalOnly = 1,   // not yet published
        SendAsDraft = 2, // send to the server as a draft
        ChangedLocally = 4,
        BeingDeleted = 8,
        IsPage = 16,
    };

    // A bare record, as the unarchiver makes it: no identifier, no defaults.
    explicit Entry(QObject* parent = nullptr);
    ~Entry() override;

    // A new local entry: fresh identifier, flag 1, empty texts, needsSave.
    static EntryPtr create();
    // Gives a bare record its starting state (identifier, flag 1, date now, empty
    // texts and categories) and lets it answer "findAndOpenEntry".
    void commonInit();
    // The same with that identifier and date (an entry read from its file).
    void commonInit(const QString& uniqueID, const QDateTime& entryDate);

    // --- texts ---
    QString body() const { return m_body; }
    QString extended() const { return m_extended; }
    QString summary() const { return m_summary; }
    QString keywords() const { return m_keywords; }
    // A null text stores an empty one.
    void setBody(const QString& text);
    void setExtended(const QString& text);
    void setSummary(const QString& text);
    void setKeywords(const QString& text);

    QString permaLink() const { return m_permaLink; }
    void setPermaLink(const QString& link);
    QString editURI() const { return m_editURI; }
    void setEditURI(const QString& uri);
    QString author() const { return m_author; }
    void setAuthor(const QString& author);

    // The blog's default format (or "") is stored on first read.
    QString format() const;
    void setFormat(const QString& format);
    // Accepts a string or a number (its decimal string); null clears.
    void setFormatValue(const QVariant& format);

    // --- lists ---
    std::optional<CategoryList> categories() const { return m_categories; }
    void setCategories(std::optional<CategoryList> categories);
    std::optional<QStringList> attachments() const { return m_attachments; }
    void setAttachments(std::optional<QStringList> keys);
    std::optional<QVariantList> events() const { return m_events; }
    void setEvents(std::optional<QVariantList> events);
    std::optional<QVariantList> reviews() const { return m_reviews; }
    void setReviews(std::optional<QVariantList> reviews);
    // Ten empty pings when unset; never more than ten.
    PingList pingUris() const;
    void setPingUris(std::optional<PingList> pings);
    QVariantMap pluginSettings() const;
    void setPluginSettings(std::optional<QVariantMap> settings);

    // --- date and flags ---
    QDateTime entryDate() const;
    // A null date stores now.
    void setEntryDate(const QDateTime& date);
    // 3 when the blog keeps posts as drafts on the server, else 1, stored on first read.
    int flag() const;
    void setFlag(std::optional<int> flag);
    bool hasFlag(int bit) const { return (flag() & bit) != 0; }
    // Both post "refreshEntryListing", also when nothing changed.
    void addFlag(int bit);
    void removeFlag(int bit);
    bool draftOrPublish() const { return hasFlag(SendAsDraft); }
    void setDraftOrPublish(bool asDraft);

    // 0 rich editing, non-zero HTML source; the user default "usesHTMLEditor"
    // is stored on first read.
    int editMode() const;
    // Nothing happens when the stored value has the same truth value.
    void setEditMode(std::optional<int> mode);
    bool hasCustomDate() const;
    void setHasCustomDate(std::optional<bool> custom);

    // --- options: the blog's value while unset ---
    QVariant commentOption() const;
    QVariant trackbackOption() const;
    QVariant pingOption() const;
    QVariant notifyOption() const;
    QVariant smartOption() const;
    // Strings and numbers become their integer value; null clears.
    void setCommentOption(const QVariant& value);
    void setTrackbackOption(const QVariant& value);
    void setPingOption(const QVariant& value);
    void setNotifyOption(const QVariant& value);
    void setSmartOption(const QVariant& value);

    // --- owner and state ---
    // The owning blog; a back reference that clears itself when a QObject blog goes.
    EntryOwner* parentBlog() const;
    void setParentBlog(EntryOwner* blog);

    bool needsSave() const { return m_needsSave; }
    void setNeedsSave(bool needsSave) { m_needsSave = needsSave; }
    bool isNew() const { return m_isNew; }
    void setIsNew(bool isNew) { m_isNew = isNew; }
    bool beingPublished() const { return m_beingPublished; }
    void setBeingPublished(bool publishing) { m_beingPublished = publishing; }
    // A request that makes the post on the server went out and its answer was
    // not kept: the server may hold the post without this copy knowing its id.
    // Stored in the entry's file ("publishUnanswered"), not copied or archived.
    bool publishUnanswered() const { return m_publishUnanswered; }
    void setPublishUnanswered(bool unanswered);

    // What the entry's stored form depends on: its own changes and those of
    // its category and ping records. While the revision stays, so does the
    // stored form (a new list of records changes the entry's own count).
    struct Revision {
        quint64 own = 0;
        quint64 records = 0;
        bool operator==(const Revision&) const = default;
    };
    Revision revision() const;

    // The file the entry was last read from or written to, as the entry
    // store keeps track of it. Not stored, not copied.
    struct FileMark {
        quint64 store = 0; // the serial of the store that holds the file; 0 for none
        QString uniqueID;  // the identifier the file is named after
        QString fileName;
        quint64 nameKey = 0; // a hash of the file name, to find it in a folder listing
        Revision revision;   // the entry's revision the file holds
        quint64 hash = 0;    // of the file's bytes
        quint64 ticket = 0;  // the writer's job that writes them; 0 when read
        QString replaces;    // a file read for the entry, to go once its own is written
    };
    const FileMark& fileMark() const { return m_fileMark; }
    void setFileMark(FileMark mark) { m_fileMark = std::move(mark); }

    // --- server roads ---
    // Publishes the entry through the installed server roads; false when the
    // road could not start (none installed, no blog, already publishing).
    bool publish();
    // The activity row of the running publish job, or null.
    QObject* publishActivity() const { return m_publishActivity.data(); }
    void setPublishActivity(QObject* row);

    // The account of the entry's blog, or null.
    Account* account() const;
    // The HTTP side of a road: the account's address and HTTP login.
    QString url() const;
    QString authUsername() const;
    void setAuthUsername(const QString& name);
    QString authPassword() const;
    void setAuthPassword(const QString& password);
    // The publish row's sub-status line (both), bar maximum and progress;
    // nothing without a publish row.
    void setStatus(const QString& status);
    void setSubStatus(const QString& status);
    void setDuration(double duration);
    void setProgress(double progress);
    // Deletes the entry on its blog's server and then from the blog, with its
    // file, through the installed server roads. Nothing happens while the
    // entry is being published or while its deletion's row is there (running,
    // waiting or showing its error). False when no road started.
    bool deleteFromServer();
    // The activity row of the entry's deletion, or null; forgotten once it goes.
    QObject* deleteActivity() const { return m_deleteActivity.data(); }
    void setDeleteActivity(QObject* row) { m_deleteActivity = row; }

    // Publish buffers and the server differences (filled by the publishing road).
    QString pubBody() const { return m_pubBody; }
    QString pubExtended() const { return m_pubExtended; }
    QString pubSummary() const { return m_pubSummary; }
    void setPublishTexts(const QString& body, const QString& extended, const QString& summary);
    // The server's copy a refresh last merged without differences, as a
    // digest, and the entry's change count just after: while both still
    // hold, merging that copy again would change nothing. Not stored.
    struct MergedCopy {
        size_t digest = 0;
        quint64 changes = 0;
    };
    const std::optional<MergedCopy>& mergedCopy() const { return m_mergedCopy; }
    void setMergedCopy(std::optional<MergedCopy> copy) { m_mergedCopy = copy; }

    std::optional<QVariantMap> diffs() const { return m_diffs; }
    void setDiffs(std::optional<QVariantMap> diffs);
    void resetDiffs();

    // Last HTML check (rendering).
    QString fixedHTML() const { return m_fixedHTML; }
    void setFixedHTML(const QString& html) { m_fixedHTML = html; }
    QString validationErrorMessage() const { return m_validationError; }
    void setValidationErrorMessage(const QString& text) { m_validationError = text; }

    // --- plug-in answers, through the blog ---
    bool hasComments() const;
    bool hasTrackback() const;
    bool hasDraft() const;
    bool isXMLRPC() const;
    // 1 with an extended field, plus 2 with a summary field.
    int hasSummaryAndExtended() const;

    // --- attachment keys ---
    void addKeyToAttachments(const QString& key);
    void removeKeyFromAttachments(const QString& key);
    bool containsAttachment(const QString& key) const;
    // Whether the body, extended text or summary holds `key`.
    bool textsMention(const QString& key) const;
    // Drops keys no text mentions; sets needsSave when any was dropped.
    void removeUnusedAttachments();

    // --- copies, comparison, moving ---
    // A copy for a draft's last-saved state: same identifier and parent, lists
    // share their elements, lazy defaults made.
    EntryPtr copy() const;
    void restoreFromCopy(const Entry& saved);
    // needsSave = whether this entry differs from `saved`. Categories are compared
    // by title and flags element by element; attachment keys, trackback addresses
    // and flag bits exactly, but for BeingDeleted.
    void setSaveIfNeeded(const Entry& saved);
    // Moves the entry into `target` and answers the entry that now stands there. A
    // local-only entry keeps its identifier; it is written in the target first and
    // only then removed from its old blog, so a failure loses nothing: the answer is
    // then null and *error says why. A published entry stays and a copy with a new
    // identifier and flag 1 joins the target. Moving into the own blog answers the
    // entry itself. The moved entry's categories take the target's records of
    // their titles (their identifiers there); one the target lacks keeps its
    // title without identifier. Into another account the format goes by title
    // to that account's format, else to none.
    EntryPtr moveToBlog(EntryOwner* target, QString* error = nullptr);

    // --- editing ---
    QObject* editor() const;
    void edit();

    // --- stored forms ---
    static std::span<const RecordKey<Entry>> storedKeys();
    // The entry dictionary: fields read directly; dates as text, pings as addresses.
    QVariantMap dictionary() const;

    QString archiveClassName() const override { return QStringLiteral("Entry"); }
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

    // Opens this entry's draft when a "findAndOpenEntry" request names it.
    void answerOpenRequest(const QVariantMap& request);
    // Posts "findAndOpenEntry" for `request` ("entry", "account", and "file"
    // or "pos"), once the account's blogs have read their entries.
    static void postOpenRequest(const QVariantMap& request);

signals:
    // moveToBlog placed `moved` in another blog in this entry's stead; whoever
    // holds this entry for editing goes on with `moved`. Emitted once the moved
    // entry stands in its blog, before a local-only entry leaves its old one.
    void movedTo(const EntryPtr& moved);

protected:
    void uniqueIDChanged(const QString& previous) override;
    void foundOnServerChanged() override;

private:
    // Copying and comparison read the stored fields, not their lazy defaults.
    friend class EntryComparison;
    friend class EntryCopying;
    friend class EntryStoredForm;

    QVariant ownerOption(const char* name, const QVariant& own) const;
    void setText(QString& field, const QString& text, const char* key);

    QString m_body, m_extended, m_summary, m_keywords;
    QString m_permaLink, m_editURI, m_author;
    mutable QString m_format;
    std::optional<CategoryList> m_categories;
    std::optional<QStringList> m_attachments;
    std::optional<QVariantList> m_events, m_reviews;
    mutable std::optional<PingList> m_pingUris;
    mutable QDateTime m_entryDate;
    mutable std::optional<int> m_flag;
    mutable std::optional<int> m_editMode;
    mutable std::optional<bool> m_hasCustomDate;
    QVariant m_commentOption, m_trackbackOption, m_pingOption, m_notifyOption, m_smartOption;
    mutable std::optional<QVariantMap> m_pluginSettings;

    EntryOwner* m_parent = nullptr;
    QPointer<QObject> m_parentObject; // set when the blog is a QObject
    bool m_parentIsObject = false;

    bool m_needsSave = false;
    bool m_isNew = false;
    bool m_beingPublished = false;
    bool m_publishUnanswered = false;
    QPointer<QObject> m_publishActivity;
    QPointer<QObject> m_deleteActivity;
    bool m_observesOpenRequests = false;
    QString m_pubBody, m_pubExtended, m_pubSummary;
    std::optional<QVariantMap> m_diffs;
    std::optional<MergedCopy> m_mergedCopy;
    FileMark m_fileMark;
    QString m_fixedHTML, m_validationError;
};
