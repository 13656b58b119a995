#include "Account.h"

#include "AccountServerLists.h"
#include "ArchiveClassRegistry.h"
#include "Blog.h"
#include "Format.h"
#include "KeyChain.h"
#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "Localization.h"
#include "ModelLog.h"
#include "NotificationCenter.h"
#include "PluginManager.h"
#include "RefreshRoads.h"
#include "StringExtensions.h"
#include "SupportFolder.h"
#include "UniqueId.h"

#include <QDebug>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <utility>

namespace {

PLUMETPluginProtocol* installedPlugin(const QString& key)
{
    return PluginManager::sharedInstance().pluginForKey(key);
}

Account::PluginLookup& pluginLookup()
{
    static Account::PluginLookup lookup = installedPlugin;
    return lookup;
}

bool offersPages(const QString& key)
{
    return PluginManager::sharedInstance().pageBuilderForKey(key) != nullptr;
}

QString serviceFor(const char* label, const QString& url)
{
    return QStringLiteral("%1 : %2").arg(QLatin1String(label), url);
}

// Every account alive in the program: two accounts of one address and user share
// one keychain item, which neither may take away from the other.
struct LiveAccounts {
    QMutex mutex;
    QSet<const Account*> accounts;
};

LiveAccounts& liveAccounts()
{
    static LiveAccounts live;
    return live;
}

} // namespace

Account::Account(QObject* parent)
    : ModelRecord(parent), m_title(localized("Draft", "Untitled")),
      m_pluginKey(QStringLiteral("MovableType")), m_label(1.0, 1.0, 1.0, 1.0)
{
    QMutexLocker lock(&liveAccounts().mutex);
    liveAccounts().accounts.insert(this);
}

Account::~Account()
{
    QMutexLocker lock(&liveAccounts().mutex);
    liveAccounts().accounts.remove(this);
}

bool Account::usedByAnother(const Secret& secret, const Identity& identity) const
{
    const bool login = &secret == &m_login;
    QMutexLocker lock(&liveAccounts().mutex);
    for (const Account* other : std::as_const(liveAccounts().accounts)) {
        if (other != this && (login ? other->loginIdentity() : other->authIdentity()) == identity)
            return true;
    }
    return false;
}

void Account::removeLeftBehind(Secret& secret, const Identity& current)
{
    const Identity old = std::exchange(secret.leftBehind, Identity());
    if (!old.known() || old == current)
        return;
    if (usedByAnother(secret, old))
        return; // another account of that address and user still reads it
    KeyChain::sharedInstance().remove(serviceFor(secret.label, old.url), old.user);
}

std::shared_ptr<Account> Account::create()
{
    auto account = std::make_shared<Account>();
    account->m_accountID = newUniqueID();
    return account;
}

void Account::setPluginLookup(PluginLookup lookup)
{
    pluginLookup() = lookup ? std::move(lookup) : installedPlugin;
}

void Account::setAccountID(const QString& id)
{
    m_accountID = id;
    announce(QStringLiteral("accountID"));
}

bool Account::isSafeAccountID(const QString& id)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{32}$"));
    return hex.match(id).hasMatch();
}

void Account::setTitle(const QString& title)
{
    m_title = title.isNull() ? QLatin1String("") : title;
    announce(QStringLiteral("title"));
}

void Account::setUrl(const QString& text)
{
    const Identity oldLogin = loginIdentity(), oldAuth = authIdentity();
    if (text.isNull()) {
        m_url.clear();
        m_escURL.clear();
    } else {
        m_url = text.contains(QLatin1String("://")) ? text : QStringLiteral("http://") + text;
        m_escURL = rv::escapedURL(m_url);
    }
    announce(QStringLiteral("url"));
    followIdentityChange(oldLogin, oldAuth);
}

void Account::setUsername(const QString& name)
{
    const Identity oldLogin = loginIdentity(), oldAuth = authIdentity();
    m_username = name;
    announce(QStringLiteral("username"));
    followIdentityChange(oldLogin, oldAuth);
}

void Account::setAuthUsername(const QString& name)
{
    const Identity oldLogin = loginIdentity(), oldAuth = authIdentity();
    m_authUsername = name;
    announce(QStringLiteral("authUsername"));
    followIdentityChange(oldLogin, oldAuth);
}

// --- passwords ---------------------------------------------------------------------

Account::Identity Account::identityOf(const Secret& secret) const
{
    return &secret == &m_login ? loginIdentity() : authIdentity();
}

bool Account::needsLookup(const Secret& secret) const
{
    return secret.value.isNull() && !secret.pending && identityOf(secret).known();
}

QString Account::loadedValue(const Secret& secret)
{
    return secret.value.isNull() ? QLatin1String("") : secret.value;
}

bool Account::passwordsLoaded() const
{
    return m_login.looking == 0 && m_auth.looking == 0 && !needsLookup(m_login) &&
           !needsLookup(m_auth);
}

void Account::loadPasswords(QObject* context, std::function<void()> ready)
{
    if (passwordsLoaded()) {
        if (ready)
            ready();
        return;
    }
    m_passwordWaiters.append({context, std::move(ready)});
    continueLoading();
}

void Account::continueLoading()
{
    for (Secret* secret : {&m_login, &m_auth}) {
        if (secret->looking == 0 && needsLookup(*secret))
            lookUp(*secret, identityOf(*secret), false);
    }
    if (!passwordsLoaded())
        return;
    const QList<PasswordWaiter> waiters = std::exchange(m_passwordWaiters, {});
    for (const PasswordWaiter& waiter : waiters) {
        if (waiter.context && waiter.ready)
            waiter.ready();
    }
}

void Account::lookUp(Secret& secret, const Identity& at, bool moving)
{
    ++secret.looking;
    secret.moving = secret.moving || moving;
    const quint64 generation = secret.generation;
    KeyChain::sharedInstance().lookup(
        serviceFor(secret.label, at.url), at.user, this,
        [this, &secret, at, moving, generation](const KeyChain::Result& result) {
            --secret.looking;
            if (moving)
                secret.moving = false;
            if (!result.ok)
                qCWarning(lcModel).noquote() << result.error;
            if (secret.generation == generation)
                lookedUp(secret, at, moving, result.password);
            continueLoading();
        });
}

void Account::lookedUp(Secret& secret, const Identity& at, bool moving, const QString& found)
{
    if (!moving) {
        secret.value = found.isNull() ? QLatin1String("") : found;
        announce(QString::fromLatin1(secret.key));
        return;
    }
    // A move whose old item holds nothing reads the new identity's own item.
    if (found.isEmpty())
        return;
    secret.value = found;
    secret.pending = true;
    secret.leftBehind = at;
    ++secret.generation;
    writeMoved(secret, identityOf(secret));
}

void Account::writeSecret(Secret& secret, const QString& password, const Identity& identity,
                          std::function<void(bool written)> then)
{
    auto& keyChain = KeyChain::sharedInstance();
    const QString service = serviceFor(secret.label, identity.url);
    const auto done = [then = std::move(then)](const KeyChain::Result& result) {
        if (!result.ok)
            qCWarning(lcModel).noquote() << "The keychain refused the password:" << result.error;
        if (then)
            then(result.ok);
    };
    if (password.isEmpty())
        keyChain.remove(service, identity.user, this, done);
    else
        keyChain.store(password, service, identity.user, this, done);
}

QString Account::password() const
{
    return loadedValue(m_login);
}

QString Account::authPassword() const
{
    return loadedValue(m_auth);
}

void Account::setPassword(const QString& password)
{
    storeSecret(m_login, password, loginIdentity());
}

void Account::setAuthPassword(const QString& password)
{
    storeSecret(m_auth, password, authIdentity());
}

void Account::removePasswords(Secrets which)
{
    const auto remove = [this](Secret& secret, const Identity& identity) {
        if (identity.known())
            writeSecret(secret, QString(), identity);
        if (secret.leftBehind.known())
            writeSecret(secret, QString(), secret.leftBehind);
        secret.value = QString();
        secret.pending = false;
        secret.leftBehind = {};
        ++secret.generation;
    };
    if (int(which) & int(Secrets::Login))
        remove(m_login, loginIdentity());
    if (int(which) & int(Secrets::Authentication))
        remove(m_auth, authIdentity());
}

void Account::storeHeldPasswords()
{
    if (!std::exchange(m_holdsPasswords, false))
        return;
    const auto store = [this](Secret& secret, const Identity& identity) {
        if (!secret.pending || !identity.known())
            return;
        writeSecret(secret, secret.value, identity);
        secret.pending = false;
        removeLeftBehind(secret, identity);
    };
    store(m_login, loginIdentity());
    store(m_auth, authIdentity());
}

void Account::storeSecret(Secret& secret, const QString& password, const Identity& identity)
{
    if (!secret.value.isEmpty() && secret.value == password)
        return;
    secret.value = password;
    ++secret.generation;
    if (identity.known() && !m_holdsPasswords) {
        writeSecret(secret, password, identity);
        secret.pending = false;
        removeLeftBehind(secret, identity);
    } else {
        // Kept until the address and the user name are both known.
        secret.pending = !password.isNull();
    }
    announce(QString::fromLatin1(secret.key));
    if (!m_passwordWaiters.isEmpty())
        continueLoading(); // a road waiting for this password may go on
}

void Account::moveSecret(Secret& secret, const Identity& from, const Identity& to)
{
    if (from == to)
        return;
    if (secret.moving)
        return;          // the move under way takes the password to wherever the identity ends
    ++secret.generation; // a lookup at the old identity is stale now
    if (from.known() && !secret.pending) {
        if (secret.value.isEmpty()) {
            // Take the password along before the old item is out of reach.
            secret.value = QString();
            lookUp(secret, from, true);
            return;
        }
        secret.pending = true;
        secret.leftBehind = from;
    }
    if (!secret.pending) {
        secret.value = QString(); // a new identity: read its own item next time
        return;
    }
    writeMoved(secret, to);
}

void Account::writeMoved(Secret& secret, const Identity& to)
{
    if (!to.known() || m_holdsPasswords)
        return; // written once the address and the user name are both known
    const quint64 generation = secret.generation;
    writeSecret(secret, secret.value, to, [this, &secret, to, generation](bool written) {
        // A refusal leaves the old item where it was, so nothing is lost.
        if (!written || secret.generation != generation)
            return;
        secret.pending = false;
        removeLeftBehind(secret, to);
    });
}

void Account::followIdentityChange(const Identity& oldLogin, const Identity& oldAuth)
{
    moveSecret(m_login, oldLogin, loginIdentity());
    moveSecret(m_auth, oldAuth, authIdentity());
    if (!m_passwordWaiters.isEmpty())
        continueLoading();
}

// --- plain fields ---------------------------------------------------------------------

void Account::setPluginKey(const QString& key)
{
    m_pluginKey = key;
    announce(QStringLiteral("pluginKey"));
    announce(QStringLiteral("pluginDescription"));
}

void Account::setUserID(const QString& id)
{
    m_userID = id;
    announce(QStringLiteral("userID"));
}

void Account::setUsers(std::optional<QVariantMap> users)
{
    m_users = std::move(users);
    announce(QStringLiteral("users"));
}

void Account::setFormats(std::optional<QList<FormatPtr>> formats)
{
    m_formats = std::move(formats);
    announce(QStringLiteral("formats"));
}

void Account::addFormat(const FormatPtr& format)
{
    if (!m_formats || !format)
        return;
    m_formats->append(format);
    std::stable_sort(
        m_formats->begin(), m_formats->end(),
        [](const FormatPtr& a, const FormatPtr& b) { return Genetic::titleLessThan(*a, *b); });
    announce(QStringLiteral("formats"));
}

FormatPtr Account::hasFormatWithName(const QString& name) const
{
    return m_formats ? Genetic::findRecord(*m_formats, &Genetic::title, name) : nullptr;
}

FormatPtr Account::hasFormatWithID(const QString& key) const
{
    return m_formats ? Genetic::findRecord(*m_formats, &Genetic::uniqueID, key) : nullptr;
}

QString Account::labelForFormat(const QString& key) const
{
    const FormatPtr format = hasFormatWithID(key);
    return format ? format->title() : QString();
}

void Account::setLabel(const rv::Color& color)
{
    m_label = color;
    announce(QStringLiteral("label"));
}

void Account::setIsExpanded(bool expanded)
{
    m_isExpanded = expanded;
    announce(QStringLiteral("isExpanded"));
}

void Account::setBlogs(const QList<BlogPtr>& blogs)
{
    m_blogs = blogs;
    for (const auto& blog : m_blogs)
        blog->setAccount(this);
    announce(QStringLiteral("blogs"));
}

void Account::addBlog(const BlogPtr& blog)
{
    if (!blog)
        return;
    blog->setAccount(this);
    m_blogs.append(blog);
    announce(QStringLiteral("blogs"));
}

BlogPtr Account::blogForID(const QString& id) const
{
    for (const auto& blog : m_blogs) {
        if (blog->uniqueID() == id)
            return blog;
    }
    return nullptr;
}

// --- what a refresh brings from the server ---------------------------------------------------

std::optional<Account::ListedBlog> Account::listedBlog(const QVariant& item)
{
    return AccountServerLists::listedBlog(item);
}

Account::BlogListMerge Account::processBlogs(const QVariantList& list)
{
    return AccountServerLists::processBlogs(*this, list);
}

void Account::processUserInfo(const QVariantMap& info)
{
    AccountServerLists::processUserInfo(*this, info);
}

void Account::processFormats(const QVariantList& list)
{
    AccountServerLists::processFormats(*this, list);
}

// --- server roads ---------------------------------------------------------------------------

bool Account::updateCache(std::function<void(const RefreshEnd& end)> done)
{
    RefreshRoads* roads = RefreshRoads::sharedInstance();
    return roads && roads->refreshAccount(*this, std::move(done));
}

void Account::cancel()
{
    if (RefreshRoads* roads = RefreshRoads::sharedInstance())
        roads->cancelRefresh(*this);
}

bool Account::downloadFromURL(
    const QString& address, QObject* context,
    std::function<void(const QString& text, const QUrl& address, const QString& error)> done)
{
    RefreshRoads* roads = RefreshRoads::sharedInstance();
    if (!roads)
        return false;
    roads->downloadFromURL(*this, address, context, std::move(done));
    return true;
}

void Account::setEntries(const QList<EntryPtr>& entries)
{
    m_entries = entries;
    announce(QStringLiteral("entries"));
}

QList<Blog*> Account::collectEntries(Blog* blog, bool force)
{
    QList<Blog*> toRetrieve;
    if (!force)
        m_entries.clear();
    m_selectedBlog = nullptr;
    auto collect = [&](Blog* b) {
        const QList<EntryPtr> local = b->entries();
        if (!local.isEmpty() && !force)
            m_entries.append(local);
        else
            toRetrieve.append(b);
    };
    if (blog) {
        collect(blog);
        m_selectedBlog = blog;
    } else {
        for (const auto& b : m_blogs)
            collect(b.get());
    }
    announce(QStringLiteral("entries"));
    for (Blog* b : std::as_const(toRetrieve))
        b->retrieveEntries();
    return toRetrieve;
}

QList<Blog*> Account::collectPages(Blog* blog)
{
    m_selectedBlog = blog;
    QList<Blog*> chosen;
    if (blog) {
        chosen.append(blog);
    } else {
        for (const auto& b : m_blogs)
            chosen.append(b.get());
    }
    for (Blog* b : std::as_const(chosen))
        b->retrievePages();
    return chosen;
}

void Account::setStatus(const QString& status)
{
    m_status = status;
    announce(QStringLiteral("status"));
}

void Account::setSubStatus(const QString& status)
{
    m_subStatus = status;
    announce(QStringLiteral("subStatus"));
}

void Account::setIsCritical(bool critical)
{
    m_isCritical = critical;
    announce(QStringLiteral("isCritical"));
    NotificationCenter::sharedInstance().post(
        critical ? QStringLiteral("accountActive") : QStringLiteral("accountInactive"), this);
}

PLUMETPluginProtocol* Account::plugin() const
{
    return m_pluginKey.isNull() ? nullptr : pluginLookup()(m_pluginKey);
}

PluginTraits Account::pluginTraits() const
{
    PLUMETPluginProtocol* found = plugin();
    return PluginTraits::of(found, found && offersPages(m_pluginKey));
}

QString Account::pluginDescription() const
{
    PLUMETPluginProtocol* found = plugin();
    return found ? found->pluginDescription() : QString();
}

QString Account::accountDirectory() const
{
    if (!isSafeAccountID(m_accountID))
        return {};
    const QString items = cutils::applicationSupportSubFolder(QStringLiteral("items"));
    if (items.isEmpty())
        return {};
    const QString folder = items + QLatin1Char('/') + m_accountID;
    return cutils::verifyDirectory(folder) ? folder : QString();
}

// --- archive ----------------------------------------------------------------------------

void Account::encodeWithCoder(KeyedArchiver& coder) const
{
    auto text = [&coder](const char* key, const QString& value) {
        if (!value.isNull())
            coder.encodeObject(QString::fromLatin1(key), value);
    };
    text("accountID", m_accountID);
    text("title", m_title);
    text("url", m_url);
    text("username", m_username);
    text("authUsername", m_authUsername);
    text("pluginKey", m_pluginKey);
    coder.encodeColor(QStringLiteral("label"), m_label);
    coder.encodeObject(QStringLiteral("isExpanded"), QVariant(m_isExpanded));
    coder.encodeRecords(QStringLiteral("blogs"), m_blogs);
    text("userID", m_userID);
    if (m_users)
        coder.encodeObject(QStringLiteral("users"), *m_users);
    if (m_formats)
        coder.encodeRecords(QStringLiteral("formats"), *m_formats);
}

void Account::initWithCoder(KeyedUnarchiver& coder)
{
    auto text = [&coder](const char* key, auto setter) {
        const QString name = QString::fromLatin1(key);
        if (!coder.containsKey(name))
            return;
        const QVariant value = coder.decodeObject(name);
        if (value.typeId() == QMetaType::QString)
            setter(value.toString());
        else
            coder.warn(QStringLiteral("the key \"%1\" holds a value of the wrong kind").arg(name));
    };
    text("accountID", [this](const QString& v) { setAccountID(v); });
    text("title", [this](const QString& v) { setTitle(v); });
    text("url", [this](const QString& v) { setUrl(v); });
    text("username", [this](const QString& v) { setUsername(v); });
    text("authUsername", [this](const QString& v) { setAuthUsername(v); });
    text("pluginKey", [this](const QString& v) { setPluginKey(v); });
    if (coder.containsKey(QStringLiteral("label"))) {
        if (const auto color = coder.decodeColor(QStringLiteral("label")))
            setLabel(*color);
    }
    if (coder.containsKey(QStringLiteral("isExpanded")))
        setIsExpanded(coder.decodeBool(QStringLiteral("isExpanded"), true));
    if (coder.containsKey(QStringLiteral("blogs")))
        setBlogs(coder.decodeRecords<Blog>(QStringLiteral("blogs")));
    text("userID", [this](const QString& v) { setUserID(v); });
    if (coder.containsKey(QStringLiteral("users")))
        setUsers(coder.decodeMap(QStringLiteral("users")));
    if (coder.containsKey(QStringLiteral("formats")))
        setFormats(coder.decodeRecords<Format>(QStringLiteral("formats")));
}

namespace {
const bool accountClassRegistered =
    (ArchiveClassRegistry::registerClass<Account>(QStringLiteral("Account")), true);
} // namespace
