#pragma once

#include "Archivable.h"
#include "Color.h"
#include "ModelRecord.h"
#include "ModelTypes.h"
#include "PluginTraits.h"
#include "RefreshEnd.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class Blog;
class PLUMETPluginProtocol;
using BlogPtr = std::shared_ptr<Blog>;

// One login at one blog system: server address, user name, the blog-system
// plug-in's key, the blogs found there and the formats the server offers.
// Passwords never go into the archive: they live in the keychain under
// "plumet : <url>" and "plumet(auth) : <url>" with the user name as account, and
// follow the account when its address or user name changes.
class Account : public ModelRecord, public Archivable {
    Q_OBJECT
public:
    // A bare record, as the unarchiver makes it (no identifier).
    explicit Account(QObject* parent = nullptr);
    ~Account() override;

    // A new account with a fresh 32-digit identifier.
    static std::shared_ptr<Account> create();

    // Where plug-ins are looked up by key: the shared PluginManager unless replaced.
    using PluginLookup = std::function<PLUMETPluginProtocol*(const QString& key)>;
    static void setPluginLookup(PluginLookup lookup);

    QString accountID() const { return m_accountID; }
    void setAccountID(const QString& id);
    // An identifier that is safe as a folder name: 32 hexadecimal digits.
    static bool isSafeAccountID(const QString& id);

    QString title() const { return m_title; }
    void setTitle(const QString& title); // null stores ""

    QString url() const { return m_url; }
    // "http://" is put in front of a text without "://"; null clears.
    void setUrl(const QString& text);
    QUrl escapedURL() const { return m_escURL; }

    QString username() const { return m_username; }
    void setUsername(const QString& name);
    QString authUsername() const { return m_authUsername; }
    void setAuthUsername(const QString& name);

    // The passwords as last read from or given for the keychain; "" while
    // unread and when it holds none. The getters read no keychain: whoever
    // needs them (a road's login step, the account sheet) asks loadPasswords()
    // first and reads them once it has answered.
    QString password() const;
    void setPassword(const QString& password);
    QString authPassword() const;
    void setAuthPassword(const QString& password);
    // Takes the account's items out of the keychain: the blog password, the
    // HTTP-authentication password, or both (for an account being deleted).
    enum class Secrets { Login = 1, Authentication = 2, Both = 3 };
    void removePasswords(Secrets which = Secrets::Both);
    // A new account keeps the passwords it is given in memory until
    // storeHeldPasswords(), once its first refresh has proved them: one that
    // never worked leaves nothing in the keychain, and does not replace the
    // item of a listed account that logs in the same way.
    void holdPasswords() { m_holdsPasswords = true; }
    void storeHeldPasswords();
    // Whether both passwords are read (or cannot be: no address or user name).
    bool passwordsLoaded() const;
    // Reads both passwords from the keychain without blocking; `ready` is
    // called once they are read (at once when they are), unless `context` is
    // gone by then. A locked keyring holds it until the user answers.
    void loadPasswords(QObject* context, std::function<void()> ready);

    QString pluginKey() const { return m_pluginKey; }
    void setPluginKey(const QString& key);
    QString userID() const { return m_userID; }
    void setUserID(const QString& id);
    std::optional<QVariantMap> users() const { return m_users; }
    void setUsers(std::optional<QVariantMap> users);

    std::optional<QList<FormatPtr>> formats() const { return m_formats; }
    void setFormats(std::optional<QList<FormatPtr>> formats);
    // Appends (when the list exists) and keeps the list sorted by title.
    void addFormat(const FormatPtr& format);
    FormatPtr hasFormatWithName(const QString& name) const;
    FormatPtr hasFormatWithID(const QString& key) const;
    QString labelForFormat(const QString& key) const;

    rv::Color label() const { return m_label; }
    void setLabel(const rv::Color& color);
    bool isExpanded() const { return m_isExpanded; }
    void setIsExpanded(bool expanded);

    QList<BlogPtr> blogs() const { return m_blogs; }
    void setBlogs(const QList<BlogPtr>& blogs);
    void addBlog(const BlogPtr& blog);
    BlogPtr blogForID(const QString& id) const;

    // --- what a refresh brings from the server ---
    // One blog of a server's list: its identifier (a number as its decimal
    // text) and its name (data decoded, HTML entities decoded; "Untitled" when
    // the data is no text). Nothing, with a log line, when either is missing.
    struct ListedBlog {
        QString id;
        QString name;
        QVariantMap item;
    };
    static std::optional<ListedBlog> listedBlog(const QVariant& item);
    // What a merge of the server's blog list did to the account's blogs.
    struct BlogListMerge {
        QList<BlogPtr> added;
        QList<BlogPtr> removed;
    };
    // Merges the server's blog list: known blogs (by identifier) take the
    // name, address and services listed; new ones are made with the first
    // blog's settings; blogs the list lacks leave the account. The list ends
    // sorted by title, announced once. Items without identifier or name are
    // skipped.
    BlogListMerge processBlogs(const QVariantList& list);
    // The user's identifier and, from the first, last or nick name, the
    // display name under it in `users`. Nothing without "userid".
    void processUserInfo(const QVariantMap& info);
    // Merges the server's text filters ("key" and "label" items); formats the
    // list lacks leave the account.
    void processFormats(const QVariantList& list);

    // --- server roads (see RefreshRoads) ---
    // Refreshes the account; `done` hears how it ended (see
    // RefreshRoads::refreshAccount). False when no refresh started.
    bool updateCache(std::function<void(const RefreshEnd& end)> done);
    // Stops the refresh and the blogs' own categories roads; the refresh's
    // `done` is not called.
    void cancel();
    // Fetches the page at `address` as text without holding the account;
    // `done` hears the text and the address it came from after redirects,
    // or why there is none. False when no download started (no roads
    // installed).
    bool downloadFromURL(
        const QString& address, QObject* context,
        std::function<void(const QString& text, const QUrl& address, const QString& error)> done);

    QList<EntryPtr> entries() const { return m_entries; }
    void setEntries(const QList<EntryPtr>& entries);
    Blog* selectedBlog() const { return m_selectedBlog; }
    // Rebuilds `entries` from the blogs' local entries and starts the posts
    // road (Blog::retrieveEntries) of the blogs that have none (or of all
    // chosen ones when forced); answers those blogs.
    QList<Blog*> collectEntries(Blog* blog, bool force);
    // Chooses the blog (or all blogs, for null) and starts their pages roads
    // (Blog::retrievePages); answers the chosen blogs. `entries` stays as it is.
    QList<Blog*> collectPages(Blog* blog);

    QString status() const { return m_status; }
    void setStatus(const QString& status);
    QString subStatus() const { return m_subStatus; }
    void setSubStatus(const QString& status);
    bool isCritical() const { return m_isCritical; }
    // Posts "accountActive" or "accountInactive" with the account as object.
    void setIsCritical(bool critical);

    // --- the blog-system plug-in ---
    PLUMETPluginProtocol* plugin() const;
    PluginTraits pluginTraits() const;
    QString pluginDescription() const;
    bool supportsUpload() const { return pluginTraits().supportsUpload; }
    bool canSpecifyUploadDirectory() const { return pluginTraits().canSpecifyUploadDirectory; }
    bool supportsPrimaryCategory() const { return pluginTraits().supportsPrimaryCategory; }
    bool supportsPages() const { return pluginTraits().supportsPages; }

    // support folder/items/<accountID>, created when missing; empty when the
    // identifier is not a safe folder name or the folder cannot be made.
    QString accountDirectory() const;

    QString archiveClassName() const override { return QStringLiteral("Account"); }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    // Reads the stored keys and gives each blog this account as parent; the
    // caller loads the blogs' entries (AccountList does, after checking the
    // identifier).
    void initWithCoder(KeyedUnarchiver& coder) override;

private:
    struct Identity {
        QString url, user;
        bool known() const { return !url.isEmpty() && !user.isEmpty(); }
        bool operator==(const Identity&) const = default;
    };
    Identity loginIdentity() const { return {m_url, m_username}; }
    Identity authIdentity() const { return {m_url, m_authUsername}; }
    // Moves both keychain items from the old identities to the current ones, and
    // writes passwords that were set before the identity was known.
    void followIdentityChange(const Identity& oldLogin, const Identity& oldAuth);
    struct Secret;
    void moveSecret(Secret& secret, const Identity& from, const Identity& to);
    static QString loadedValue(const Secret& secret);
    Identity identityOf(const Secret& secret) const;
    bool needsLookup(const Secret& secret) const;
    // Looks `secret` up at `at`; a move takes what it finds to the current identity.
    void lookUp(Secret& secret, const Identity& at, bool moving);
    void lookedUp(Secret& secret, const Identity& at, bool moving, const QString& found);
    // Starts the lookups still needed; answers the waiters once none is left.
    void continueLoading();
    // Writes a moved password to `to`, then removes the item it left behind.
    void writeMoved(Secret& secret, const Identity& to);
    void writeSecret(Secret& secret, const QString& password, const Identity& identity,
                     std::function<void(bool written)> then = {});
    // Caches the password and writes it to the keychain once the identity is known.
    void storeSecret(Secret& secret, const QString& password, const Identity& identity);
    // Whether another account reads the same keychain item as `secret` would at `identity`.
    bool usedByAnother(const Secret& secret, const Identity& identity) const;
    // Removes the item a moved password left behind, unless another account uses it.
    void removeLeftBehind(Secret& secret, const Identity& current);

    QString m_accountID;
    QString m_title;
    QString m_url;
    QUrl m_escURL;
    QString m_username, m_authUsername;
    QString m_pluginKey;
    QString m_userID;
    std::optional<QVariantMap> m_users;
    std::optional<QList<FormatPtr>> m_formats;
    rv::Color m_label;
    bool m_isExpanded = true;
    QList<BlogPtr> m_blogs;
    QList<EntryPtr> m_entries;
    QString m_status, m_subStatus;
    bool m_isCritical = false;
    bool m_holdsPasswords = false;
    Blog* m_selectedBlog = nullptr;
    struct PasswordWaiter {
        QPointer<QObject> context;
        std::function<void()> ready;
    };
    QList<PasswordWaiter> m_passwordWaiters;

    struct Secret {
        const char* label;    // "plumet" or "plumet(auth)"
        const char* key;      // "password" or "authPassword"
        QString value;        // null until read or set
        bool pending = false; // set while the identity was unknown: write once known
        Identity leftBehind;  // the item to remove once the pending password is written
        int looking = 0;      // keychain lookups under way
        bool moving = false;  // one of them takes the old item to the current identity
        quint64 generation =
            0; // changes with the value or identity: a lookup begun before is stale
    };
    Secret m_login{"plumet", "password", {}, false, {}, 0, false, 0};
    Secret m_auth{"plumet(auth)", "authPassword", {}, false, {}, 0, false, 0};
};
