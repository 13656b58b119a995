// One weblog of an account: its address, settings, account fields, entries and categories, and the
// roads it starts.
#pragma once

#include "Archivable.h"
#include "BlogEntryList.h"
#include "BlogSettings.h"
#include "EntryOwner.h"
#include "Genetic.h"
#include "ModelTypes.h"
#include "PluginTraits.h"
#include "RecordKey.h"

#include <QPointer>
#include <QTimeZone>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <span>

class Account;
class BlogEntryStore;
struct Notification;

// One weblog of an account: its address, publishing options and warnings, its
// templates, Atom service addresses, and the lists of its entries and categories.
// Entries are not archived with the blog; they live in one file each (BlogEntryStore).
class Blog : public Genetic, public Archivable, public EntryOwner {
    Q_OBJECT
public:
    explicit Blog(QObject* parent = nullptr);
    ~Blog() override;

    // --- address ---
    QString url() const { return m_url; }
    // Relative texts are resolved against the account's address (scheme, user,
    // host and port kept); texts beginning with "http" and any text of a blog
    // without account are kept as they are; a null text clears the address.
    void setUrl(const QString& text);
    QUrl escapedURL() const { return m_escURL; }

    // --- strings with defaults ---
    QString timeZone() const; // the localized "Use local timezone" when unset
    void setTimeZone(const QString& zone);
    // The spelling language; stays empty when the platform names none.
    QString language() const { return m_settings.language(); }
    void setLanguage(const QString& language);
    QString scriptName() const { return m_settings.scriptName(); }
    void setScriptName(const QString& name);
    QString defaultFormat() const override; // "" when unset, stored on first read
    void setDefaultFormat(const QString& format);

    // The blog's time zone, or nullopt for the default text that names none.
    std::optional<QTimeZone> namedTimeZone() const;

    // --- numbers (options, warnings, display switches) ---
    // The stored value, or the default of the option stored on first read;
    // invalid for "showExtraEdit", "extraEditTab", "showOptions" and
    // "convertEntities" while unset.
    QVariant option(const QString& name) const;
    void setOption(const QString& name, const QVariant& value);
    bool utcMode() const { return option(QStringLiteral("utcMode")).toBool(); }
    bool convertEntities() const { return option(QStringLiteral("convertEntities")).toBool(); }
    bool publishOption() const { return option(QStringLiteral("publishOption")).toBool(); }

    // --- lists ---
    QList<EntryPtr> entries() const;
    void setEntries(const QList<EntryPtr>& entries);
    CategoryList categories() const { return m_categories.value_or(CategoryList()); }
    void setCategories(std::optional<CategoryList> categories);
    QVariantList pingUrls() const;
    void setPingUrls(std::optional<QVariantList> urls);
    QVariantList addresses() const { return m_settings.addresses(); }
    void setAddresses(std::optional<QVariantList> addresses);
    QVariantMap services() const { return m_settings.services(); }
    void setServices(std::optional<QVariantMap> services);
    void addService(const QString& name, const QString& address);

    // --- templates: owned copies, defaults made on first read ---
    TemplatePtr quoteTemplate() const;
    TemplatePtr previewTemplate() const;
    TemplatePtr linkTemplate() const;
    TemplatePtr richTemplate() const;
    TemplatePtr htmlTemplate() const;
    TemplatePtr tagTemplate() const;
    void setQuoteTemplate(const TemplatePtr& value);
    void setPreviewTemplate(const TemplatePtr& value);
    void setLinkTemplate(const TemplatePtr& value);
    void setRichTemplate(const TemplatePtr& value);
    void setHtmlTemplate(const TemplatePtr& value);
    void setTagTemplate(const TemplatePtr& value);

    // --- account, and its fields the blog passes through ---
    Account* account() const;
    void setAccount(Account* account);
    QString username() const;
    void setUsername(const QString& name);
    QString password() const;
    void setPassword(const QString& password);
    QString authUsername() const;
    void setAuthUsername(const QString& name);
    QString authPassword() const;
    void setAuthPassword(const QString& password);
    QString status() const;
    void setStatus(const QString& status);
    // The account's; each road's job sets its own row's sub-status ("Parsing data...").
    QString subStatus() const;

    // Fetches the blog's page through the installed roads and sets
    // "convertEntities" unless it declares a UTF-8 charset. Without an
    // address, an answer or installed roads nothing changes; `done`
    // (optional) runs when the fetch has ended either way.
    void detectEncoding(std::function<void()> done = {});
    // The rule detectEncoding applies to the page it fetched: the charset its
    // Content-Type header names, else the one its head declares
    // (PageCharset). An empty text changes nothing.
    void applyPageEncoding(const QString& pageText, const QByteArray& contentType = {});

    // --- capabilities of the account's blog system ---
    PluginTraits pluginTraits() const;
    bool hasComments() const;
    bool hasTrackback() const;
    bool hasDraft() const;
    bool supportsTagLocation() const;
    bool supportsTags() const;

    // Copies this blog's settings (defaults made) onto `other`; the address,
    // services, entries, categories and display switches stay the other's.
    void applySettingsTo(Blog& other) const;

    // --- entries and categories ---
    bool hasEntryWithID(const QString& id) const;
    EntryPtr entryWithID(const QString& id) const;
    // The first record of the list with exactly that title; null for a null name.
    CategoryPtr hasCategoryWithName(const QString& name) const;
    // The record of that name (a new one, not a tag, when missing) marked as
    // a category the server has just listed; a non-null `id` becomes its
    // identifier, a null one leaves the identifier it had.
    CategoryPtr processCategoryWithName(const QString& name, const QString& id = QString());
    // The blog's record of that name becomes a tag; without one, a new tag
    // (not a category) joins the list.
    void processTagWithName(const QString& name);
    // processTagWithName for each name, with one sort and one change notice.
    void processTagsWithNames(const QStringList& names);
    // Appends and keeps the list sorted by title.
    void addCategory(const CategoryPtr& category);
    // Unchecked copies of the records join the list, which stays sorted.
    void addTags(const CategoryList& tags);
    // The records of those titles stop being tags; those the server does not
    // know as categories leave the list. Titles not in the list are skipped.
    void removeTags(const CategoryList& tags);
    // Merges the categories the server sent, as a list, as a struct keyed by
    // name, or as one name. Names are XML-decoded, so a name the server sends
    // encoded ("Tom &amp; Jerry") or plain matches the same record; a record
    // stored under the encoded form takes the plain one. Categories the
    // server no longer lists leave the list, or stay as tags when they are
    // tags. One "categories" announcement for the whole merge.
    void processCategories(const QVariant& answer);
    // Renames every category and tag of `oldTitle` in this blog's list and its
    // entries; other blogs and accounts keep theirs.
    void renameCategory(const QString& oldTitle, const QString& newTitle);
    // The category is this blog's: in its list or chosen by one of its entries.
    bool ownsCategory(const Category* category) const;

    // --- server roads ---
    // Fetches the blog's categories through the installed server roads, with
    // a row of its own in the activity list; nothing happens while that row
    // is there (running or showing its error), when no roads are installed,
    // or when the account's address is not reachable. False when no road started.
    bool refreshCategories();
    // The activity row of the stand-alone categories road, or null.
    QObject* categoriesActivity() const { return m_categoriesActivity.data(); }
    void setCategoriesActivity(QObject* row) { m_categoriesActivity = row; }

    // Fetches the blog's recent posts through the installed server roads.
    // Nothing happens while the posts road's row is there (running, waiting
    // or showing its error), after the server once listed no posts, when no
    // roads are installed or when the account's address is not reachable.
    // False when no road started.
    bool retrieveEntries();
    // Fetches the blog's pages; as retrieveEntries, and only for a blog
    // system that speaks XML-RPC and offers pages.
    bool retrievePages();
    // The activity rows of the posts, pages and per-post categories roads,
    // or null; a row is forgotten once it goes.
    QObject* entriesActivity() const { return m_entriesActivity.data(); }
    void setEntriesActivity(QObject* row) { m_entriesActivity = row; }
    QObject* pagesActivity() const { return m_pagesActivity.data(); }
    void setPagesActivity(QObject* row) { m_pagesActivity = row; }
    QObject* entryCategoriesActivity() const { return m_entryCategoriesActivity.data(); }
    void setEntryCategoriesActivity(QObject* row) { m_entryCategoriesActivity = row; }

    // The server's post list came back empty, so the posts road asks no more;
    // a post published to the blog clears it. Not stored.
    bool hasZeroEntries() const { return m_hasZeroEntries; }
    void setHasZeroEntries(bool none) { m_hasZeroEntries = none; }

    // For a refresh, which looks up only what the server lists: the entry of
    // the list with each identifier, null where there is none; where several
    // share one, the last of the list.
    QList<EntryPtr> entriesWithIDs(const QStringList& ids) const;
    // The entries of the list that carry the found-on-server mark, in no
    // particular order, found without a walk through the whole list.
    QList<EntryPtr> entriesFoundOnServer();

    // Appends entries with one row-level insertion, one "entries"
    // announcement and one "entriesRetrieved" notification.
    void addEntries(const QList<EntryPtr>& entries);
    // Removes entries and their files with one announcement and one
    // "entriesRetrieved" notification; entries not in the list are skipped.
    void removeEntries(const QList<EntryPtr>& entries);

    // --- the entry store ---
    BlogEntryStore& store() const;
    // Writes every entry that needs a save and whose file would change.
    bool save(QString* error = nullptr);
    // Writes one entry now.
    bool save(Entry& entry, QString* error = nullptr);
    // Waits until the files handed to the writer are on disk; false with the
    // first failure in *error. Entries never read (deferLoad) wrote nothing.
    bool flush(QString* error = nullptr);
    // Reads the blog folder; a folder without readable entries keeps the list.
    void load();
    // Reads the blog folder on the first use of the entry list instead of
    // now, so that a start-up reads only the blogs it shows. Main thread only.
    void deferLoad();

    // --- EntryOwner ---
    QVariant inheritedOption(const QString& name) const override;
    BlogCapabilities capabilities() const override;
    QString accountID() const override;
    void addEntry(const EntryPtr& entry) override;
    void removeEntry(Entry* entry) override;
    void removeEntryKeepingFile(Entry* entry) override;
    QString entryFilePath(const Entry& entry) const override;
    bool saveEntry(Entry* entry, QString* error) override;
    void entryIDChanged(Entry& entry, const QString& previous) override;
    void entryFoundOnServer(Entry& entry) override;

    static std::span<const RecordKey<Blog>> storedKeys();

    QString archiveClassName() const override { return QStringLiteral("Blog"); }
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

signals:
    // Row-level news of entries() for the item models, besides the "entries"
    // announcement that follows each change: rows first..last (inclusive) of
    // the list before a removal, of the list after an insertion. A new list
    // (setEntries) is a reset.
    void entriesAboutToBeInserted(int first, int last);
    void entriesInserted(int first, int last);
    void entriesAboutToBeRemoved(int first, int last);
    void entriesRemoved(int first, int last);
    void entriesAboutToBeReset();
    void entriesReset();

private:
    // Merges and sorts the category list in place, with one announcement.
    friend class BlogCategories;
    // The archive reads the stored fields.
    friend class BlogStoredForm;

    void storeTemplate(BlogSettings::TemplateSlot slot, const TemplatePtr& value, const char* key);
    // Reads the deferred entry list (deferLoad) before its first use.
    void ensureLoaded() const;

    QString m_url;
    QUrl m_escURL;
    BlogSettings m_settings;
    BlogEntryList m_entryList;
    mutable bool m_loadDeferred = false;
    bool m_loadingQuietly = false; // a deferred list is being read
    std::optional<CategoryList> m_categories;
    QPointer<Account> m_account;
    mutable std::unique_ptr<BlogEntryStore> m_store;
    QPointer<QObject> m_entriesActivity, m_pagesActivity, m_entryCategoriesActivity,
        m_categoriesActivity;
    bool m_hasZeroEntries = false;
};
