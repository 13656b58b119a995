#include "RefreshAccountJob.h"

#include "AddonManager.h"
#include "Blog.h"
#include "KeyedArchiver.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "RESTCall.h"
#include "RefreshCategoriesJob.h"
#include "ServerCallJob.h"
#include "URLUtilities.h"

#include <QDir>
#include <algorithm>

namespace {

QString accountText(const char* text)
{
    return localized("Account", text);
}

QString notUsable()
{
    return accountText("The response from the server did not contain valid data.");
}

QVariantMap credentials(Account& account)
{
    return {{QStringLiteral("username"), account.username()},
            {QStringLiteral("password"), account.password()}};
}

} // namespace

RefreshAccountJob::RefreshAccountJob(Account* account, QObject* parent)
    : Job(parent), m_account(account)
{
    setPasswordsOf(account);
}

RefreshAccountJob::~RefreshAccountJob() = default;

void RefreshAccountJob::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged(phase);
}

void RefreshAccountJob::doStart()
{
    Account* account = m_account;
    if (!account) {
        cancel();
        return;
    }
    // The holder of a busy account keeps it: the refusal touches nothing.
    if (account->isCritical()) {
        refuse(accountText("This account is busy, please try again later!"));
        return;
    }
    if (account->url().isEmpty()) {
        refuse(accountText("This account has no access point!"));
        return;
    }
    if (account->pluginKey().isEmpty()) {
        refuse(accountText("This account has no plugin defined!"));
        return;
    }
    if (account->username().isEmpty() || account->password().isEmpty()) {
        refuse(accountText("Username and password must be set for this account!"));
        return;
    }
    m_plugin = account->plugin();
    if (!m_plugin) {
        refuse(accountText("The plugin for this account type is missing! Please reinstall the "
                           "\"%1\" plugin.")
                   .arg(account->pluginKey()));
        return;
    }
    m_token = AccountBusyToken::take(account);
    if (!m_token) {
        refuse(accountText("This account is busy, please try again later!"));
        return;
    }
    connect(this, &Job::statusChanged, account, &Account::setStatus);
    connect(this, &Job::subStatusChanged, account, &Account::setSubStatus);
    fetchBlogs();
}

void RefreshAccountJob::runStep(Job* step, Answer answered)
{
    m_step = step;
    if (!step->status().isEmpty())
        setStatus(step->status());
    connect(step, &Job::statusChanged, this, &RefreshAccountJob::setStatus);
    connect(step, &Job::subStatusChanged, this, &RefreshAccountJob::setSubStatus);
    connect(step, &Job::progressChanged, this, &RefreshAccountJob::setProgress);
    connect(step, &Job::finished, this, [this, answered](Job* finished) {
        m_step = nullptr;
        (this->*answered)(finished);
    });
    step->start();
}

bool RefreshAccountJob::endedWithStep(Job* step)
{
    switch (step->state()) {
    case State::Cancelled: // the call was stopped without an error: so is the refresh
        cancel();
        return true;
    case State::Failed:
        finishRefresh(step->error().value_or(RestError{}));
        return true;
    default:
        return false;
    }
}

// --- blogs ----------------------------------------------------------------------------------

void RefreshAccountJob::fetchBlogs()
{
    setPhase(Phase::Blogs);
    const QUrl address = m_account->escapedURL();
    if (const auto ready = m_plugin->usersBlogs(address)) {
        if (takeBlogList(*ready))
            fetchUserInfo();
        return;
    }
    setStatus(accountText("Retrieving list of blogs..."));
    setSubStatus(QString());
    ServerCallJob* call =
        m_plugin->supportedProtocol() == PLUMETPluginProtocol::XmlRpc
            ? ServerCallJob::xmlrpc(m_account, &PLUMETPluginProtocol::xmlrpcUsersBlogsRequest,
                                    credentials(*m_account), this)
            : ServerCallJob::atomGet(m_account, m_plugin->atomUsersBlogsRequest(address), this);
    call->setResponseTimeout(m_responseTimeout);
    runStep(call, &RefreshAccountJob::blogsAnswered);
}

void RefreshAccountJob::blogsAnswered(Job* step)
{
    auto* call = static_cast<ServerCallJob*>(step);
    if (endedWithStep(call))
        return;
    if (call->data().isEmpty()) {
        refuse(accountText("The server did not return data."));
        return;
    }
    if (call->answer().isFault()) {
        refuse(call->answer().faultString());
        return;
    }
    const QVariant& value = call->answer().value();
    QVariantList list;
    if (call->isAtom())
        list = m_plugin->processBloglist(value);
    else if (value.typeId() == QMetaType::QVariantList)
        list = value.toList();
    if (takeBlogList(list))
        fetchUserInfo();
}

bool RefreshAccountJob::takeBlogList(const QVariantList& list)
{
    // A list of which no item names a blog would take every blog away: it is
    // no answer to merge.
    for (const QVariant& item : list) {
        std::optional<Account::ListedBlog> listed = Account::listedBlog(item);
        if (!listed)
            continue;
        const auto same = std::find_if(m_blogs.begin(), m_blogs.end(),
                                       [&listed](const auto& b) { return b.id == listed->id; });
        if (same != m_blogs.end())
            *same = std::move(*listed);
        else
            m_blogs.append(std::move(*listed));
    }
    if (m_blogs.isEmpty()) {
        refuse(notUsable());
        return false;
    }
    // The order the account will show them in, and ask for their categories.
    std::stable_sort(m_blogs.begin(), m_blogs.end(), [](const auto& a, const auto& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return true;
}

// --- user information and text filters -------------------------------------------------------

void RefreshAccountJob::fetchUserInfo()
{
    setPhase(Phase::UserInfo);
    if (const auto ready = m_plugin->userInfo(m_account->escapedURL())) {
        m_userInfo = *ready;
        fetchFormats();
        return;
    }
    if (m_plugin->supportedProtocol() != PLUMETPluginProtocol::XmlRpc) {
        fetchCategories();
        return;
    }
    setStatus(accountText("Retrieving user information..."));
    setSubStatus(QString());
    auto* call = ServerCallJob::xmlrpc(m_account, &PLUMETPluginProtocol::xmlrpcUserInfoRequest,
                                       credentials(*m_account), this);
    call->setResponseTimeout(m_responseTimeout);
    runStep(call, &RefreshAccountJob::userInfoAnswered);
}

void RefreshAccountJob::userInfoAnswered(Job* step)
{
    auto* call = static_cast<ServerCallJob*>(step);
    if (call->state() == State::Failed && !call->requestWasMade()) {
        finishRefresh(call->error().value_or(RestError{}));
        return;
    }
    // The user's name is a nicety: whatever else came back is ignored.
    const DecodeResult& answer = call->answer();
    if (call->state() == State::Finished && !answer.isFault() &&
        answer.value().typeId() == QMetaType::QVariantMap)
        m_userInfo = answer.value().toMap();
    fetchFormats();
}

void RefreshAccountJob::fetchFormats()
{
    setPhase(Phase::TextFilters);
    if (!m_plugin->hasFormats()) {
        fetchCategories();
        return;
    }
    setStatus(accountText("Retrieving text filters..."));
    setSubStatus(QString());
    auto* call = ServerCallJob::xmlrpc(
        m_account, &PLUMETPluginProtocol::xmlrpcSupportedTextFiltersRequest, {}, this);
    call->setResponseTimeout(m_responseTimeout);
    runStep(call, &RefreshAccountJob::formatsAnswered);
}

void RefreshAccountJob::formatsAnswered(Job* step)
{
    auto* call = static_cast<ServerCallJob*>(step);
    if (endedWithStep(call))
        return;
    // A server without text filters answers a fault or nothing: it has none.
    const DecodeResult& answer = call->answer();
    m_formats = !call->data().isEmpty() && !answer.isFault() &&
                        answer.value().typeId() == QMetaType::QVariantList
                    ? answer.value().toList()
                    : QVariantList();
    fetchCategories();
}

// --- categories -------------------------------------------------------------------------------

void RefreshAccountJob::fetchCategories()
{
    if (!m_plugin->hasCategories()) {
        fetchPages();
        return;
    }
    setPhase(Phase::Categories);
    m_nextBlog = 0;
    fetchNextBlogCategories();
}

void RefreshAccountJob::fetchNextBlogCategories()
{
    while (m_nextBlog < m_blogs.size()) {
        const Account::ListedBlog& listed = m_blogs.at(m_nextBlog++);
        // A blog that fetches its own categories right now keeps them.
        const BlogPtr known = m_account->blogForID(listed.id);
        if (known && known->categoriesActivity())
            continue;
        auto* step = new RefreshCategoriesJob(m_account, listed, this);
        step->setResponseTimeout(m_responseTimeout);
        runStep(step, &RefreshAccountJob::categoriesAnswered);
        return;
    }
    fetchPages();
}

void RefreshAccountJob::categoriesAnswered(Job* step)
{
    auto* categories = static_cast<RefreshCategoriesJob*>(step);
    if (endedWithStep(categories))
        return;
    if (!categories->hadNothingToFetch())
        m_categories.insert(categories->blogID(), categories->categoryList());
    fetchNextBlogCategories();
}

// --- pages of new blogs -----------------------------------------------------------------------

void RefreshAccountJob::fetchPages()
{
    setPhase(Phase::Pages);
    m_pageFetches = new QObject(this);
    // An Atom server may keep its blog pages behind the login of its service
    // document: its pages get that login as the service document did, on that
    // origin alone.
    std::optional<URLUtilities::PageLogin> login;
    if (m_plugin->supportedProtocol() != PLUMETPluginProtocol::XmlRpc) {
        const QPointer<Account> account = m_account;
        PLUMETPluginProtocol* plugin = m_plugin;
        login =
            URLUtilities::PageLogin{m_plugin->atomUsersBlogsRequest(m_account->escapedURL()),
                                    [account, plugin](const QUrl& address) {
                                        if (!account)
                                            return RESTCall::HeaderList();
                                        return RESTCall::headerList(plugin->authenticationHeaders(
                                            address, account->username(), account->password()));
                                    }};
    }
    auto pending = std::make_shared<int>(0);
    for (const Account::ListedBlog& listed : std::as_const(m_blogs)) {
        const QVariant url = listed.item.value(QStringLiteral("url"));
        if (m_account->blogForID(listed.id) || url.typeId() != QMetaType::QString)
            continue;
        // The address as the new blog will hold it (relative ones resolved).
        Blog probe;
        probe.setAccount(m_account);
        probe.setUrl(url.toString());
        if (!probe.escapedURL().isValid() || probe.escapedURL().isEmpty())
            continue;
        ++*pending;
        const QString id = listed.id;
        auto read = [this, id, pending](const URLUtilities::Page& page) {
            if (m_phase != Phase::Pages)
                return; // the refresh has ended meanwhile
            // An error page says nothing of the blog's own pages.
            if (page.status && *page.status >= 200 && *page.status < 300)
                m_pages.insert(id, page);
            if (--*pending == 0)
                merge();
        };
        if (login)
            URLUtilities::pageFromURL(probe.escapedURL(), m_pageFetches, std::move(read), *login);
        else
            URLUtilities::pageFromURL(probe.escapedURL(), m_pageFetches, std::move(read));
    }
    if (*pending == 0)
        merge();
}

// --- the merge ------------------------------------------------------------------------------

void RefreshAccountJob::merge()
{
    setPhase(Phase::Merging);
    Account& account = *m_account;
    const QByteArray before = KeyedArchiver::archivedData(account);

    QVariantList items;
    for (const Account::ListedBlog& listed : std::as_const(m_blogs))
        items.append(listed.item);
    const Account::BlogListMerge blogs = account.processBlogs(items);
    for (const BlogPtr& blog : blogs.added) {
        const URLUtilities::Page page = m_pages.value(blog->uniqueID());
        blog->applyPageEncoding(page.text, page.contentType);
    }
    if (m_userInfo)
        account.processUserInfo(*m_userInfo);
    if (m_formats)
        account.processFormats(*m_formats);
    for (const BlogPtr& blog : account.blogs()) {
        const auto list = m_categories.constFind(blog->uniqueID());
        if (list != m_categories.cend())
            blog->processCategories(*list);
    }
    for (const BlogPtr& blog : blogs.removed) {
        const KeptBlogFiles kept = RemovedBlogFiles::setAside(*blog);
        if (kept.keptAny() || !kept.error.isEmpty())
            m_kept.append(kept);
    }

    m_changed = KeyedArchiver::archivedData(account) != before;
    QString saveError;
    if (m_changed && m_saver && !m_saver(&saveError)) {
        refuse(accountText("The accounts could not be saved: %1").arg(saveError));
        return;
    }
    const QString title = account.title();
    finishRefresh(std::nullopt);
    AddonManager::sharedInstance().processNotification(
        {{QString::number(AddonManager::AccountRefreshed), title}});
}

QString RefreshAccountJob::keptBlogsNotice() const
{
    QStringList lines;
    for (const KeptBlogFiles& kept : m_kept) {
        if (!kept.error.isEmpty()) {
            lines << accountText("\"%1\" is no longer on the server. %2 Its posts stay where they "
                                 "were.")
                         .arg(kept.blogTitle, kept.error);
        } else if (kept.drafts > 0) {
            lines << localized("Account",
                               "\"%1\" is no longer on the server: %n draft(s) kept in \"%2\".",
                               kept.drafts)
                         .arg(kept.blogTitle, QDir::toNativeSeparators(kept.folder));
        } else {
            lines << accountText("\"%1\" is no longer on the server: its posts were kept in "
                                 "\"%2\".")
                         .arg(kept.blogTitle, QDir::toNativeSeparators(kept.folder));
        }
    }
    return lines.join(QLatin1Char(' '));
}

// --- the end --------------------------------------------------------------------------------

void RefreshAccountJob::stopWork()
{
    if (Job* step = m_step) {
        m_step = nullptr;
        step->disconnect(this);
        step->cancel();
    }
    if (m_pageFetches) // its page fetches report to nobody
        m_pageFetches->deleteLater();
    m_pageFetches = nullptr;
    disconnect(this, nullptr, m_account, nullptr);
}

void RefreshAccountJob::refuse(const QString& message)
{
    finishRefresh(RestError{0, message});
}

void RefreshAccountJob::finishRefresh(const std::optional<RestError>& failure)
{
    const bool held = m_token.isHeld();
    stopWork();
    if (held && m_account) {
        const QString notice = failure ? QString() : keptBlogsNotice();
        m_account->setStatus(notice);
        m_account->setSubStatus(QString());
        setStatus(notice);
    }
    // The account is free before anyone hears of the end.
    m_token.release();
    setPhase(Phase::Done);
    if (failure)
        fail(*failure);
    else
        succeed();
}

void RefreshAccountJob::doCancel()
{
    const bool held = m_token.isHeld();
    stopWork();
    if (held && m_account) {
        m_account->setStatus(QString());
        m_account->setSubStatus(QString());
    }
    m_token.release();
    setPhase(Phase::Done);
}
