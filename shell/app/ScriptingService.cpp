#include "ScriptingService.h"

#include "Account.h"
#include "AccountController.h"
#include "AppLog.h"
#include "Attachment.h"
#include "Blog.h"
#include "BlogController.h"
#include "BusBounds.h"
#include "Entry.h"
#include "Localization.h"
#include "ScriptableAttachments.h"

#include <QDBusConnection>
#include <QUrl>

namespace {

const char* const table = "AppControl";

QString withoutUserPart(const QString& address)
{
    const QUrl url(address);
    return url.isValid() && !url.userInfo().isEmpty()
               ? url.adjusted(QUrl::RemoveUserInfo).toString()
               : address;
}

QVariantMap accountValues(const Account& account, int index)
{
    QStringList blogs;
    for (const auto& blog : account.blogs())
        blogs << blog->displayName();
    return {{QStringLiteral("index"), index},
            {QStringLiteral("title"), account.title()},
            {QStringLiteral("url"), withoutUserPart(account.url())},
            {QStringLiteral("username"), account.username()},
            {QStringLiteral("plugin"), account.pluginKey()},
            {QStringLiteral("accountID"), account.accountID()},
            {QStringLiteral("blogs"), blogs}};
}

QVariantMap blogValues(const Blog& blog)
{
    return {{QStringLiteral("title"), blog.displayName()},
            {QStringLiteral("blogID"), blog.uniqueID()},
            {QStringLiteral("url"), withoutUserPart(blog.url())},
            {QStringLiteral("accountID"), blog.accountID()}};
}

QVariantMap entryValues(const Entry& entry)
{
    return {{QStringLiteral("title"), entry.displayName()},
            {QStringLiteral("uniqueID"), entry.uniqueID()},
            {QStringLiteral("permalink"), withoutUserPart(entry.permaLink())},
            {QStringLiteral("date"), entry.entryDate()},
            {QStringLiteral("isPage"), (entry.flag() & Entry::IsPage) != 0}};
}

QVariantMap attachmentValues(const Attachment& attachment, int index)
{
    return {{QStringLiteral("index"), index},
            {QStringLiteral("uniqueID"), attachment.uniqueID()},
            {QStringLiteral("name"), attachment.fileName()},
            {QStringLiteral("path"), attachment.filePath()},
            {QStringLiteral("kind"), attachment.fileType().value_or(Attachment::OtherFile)},
            {QStringLiteral("uploadPath"), withoutUserPart(attachment.uploadPath())}};
}

} // namespace

ScriptingService::ScriptingService(QObject* parent) : QObject(parent) {}

ScriptingService::~ScriptingService()
{
    if (m_registered)
        QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(objectPath));
}

bool ScriptingService::registerObject()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    m_registered = bus.registerObject(QString::fromLatin1(objectPath), this,
                                      QDBusConnection::ExportScriptableSlots);
    if (!m_registered)
        qCWarning(lcApp) << "could not export the scripting object:" << bus.lastError().message();
    return m_registered;
}

void ScriptingService::setBlogController(BlogController* controller)
{
    m_blogController = controller;
}

void ScriptingService::fail(int number, const QString& text)
{
    m_lastError = Error{number, text};
    if (calledFromDBus())
        sendErrorReply(QStringLiteral("org.plumet.Scripting.Error%1").arg(number), text);
}

// --- accounts
// ------------------------------------------------------------------------------------------

QVariantList ScriptingService::Accounts()
{
    m_lastError.reset();
    QVariantList list;
    if (!AccountController::instanceExists())
        return list;
    const QList<AccountPtr> accounts = AccountController::sharedInstance().accounts();
    for (int i = 0; i < accounts.size(); ++i)
        list.append(accountValues(*accounts[i], i));
    return list;
}

QVariantMap ScriptingService::AccountAt(int index)
{
    m_lastError.reset();
    const QList<AccountPtr> accounts = AccountController::instanceExists()
                                           ? AccountController::sharedInstance().accounts()
                                           : QList<AccountPtr>();
    if (index < 0 || index >= accounts.size()) {
        fail(invalidAction, localized(table, "Invalid action."));
        return {};
    }
    return accountValues(*accounts[index], index);
}

void ScriptingService::SetAccounts(const QVariantList&)
{
    fail(invalidAction, localized(table, "Accounts cannot be replaced."));
}

bool ScriptingService::refusedFields(const char* method, const QVariantMap& properties)
{
    const auto refusal = BusBounds::fieldsRefusal(properties, BusBounds::MaxFieldLength,
                                                  BusBounds::MaxFields * BusBounds::MaxFieldLength);
    if (!refusal)
        return false;
    m_lastError = Error{invalidAction, *refusal};
    BusBounds::refuse(*this, QString::fromLatin1(method), *refusal);
    return true;
}

void ScriptingService::insertAccount(const QVariantMap& properties, int index)
{
    m_lastError.reset();
    if (refusedFields("InsertAccount", properties))
        return;
    if (!AccountController::instanceExists()) {
        fail(invalidAction, localized(table, "Invalid action."));
        return;
    }
    AccountPtr account = Account::create();
    const auto text = [&properties](const char* key) {
        return properties.value(QString::fromLatin1(key)).toString();
    };
    if (properties.contains(QStringLiteral("title")))
        account->setTitle(text("title"));
    if (properties.contains(QStringLiteral("url")))
        account->setUrl(text("url"));
    if (properties.contains(QStringLiteral("username")))
        account->setUsername(text("username"));
    if (properties.contains(QStringLiteral("plugin")))
        account->setPluginKey(text("plugin"));
    AccountController::sharedInstance().insertAccount(account, index);
}

void ScriptingService::InsertAccount(const QVariantMap& properties)
{
    insertAccount(properties, 0);
}

void ScriptingService::AddAccount(const QVariantMap& properties)
{
    insertAccount(properties, -1);
}

void ScriptingService::InsertAccountAt(const QVariantMap& properties, int index)
{
    insertAccount(properties, index);
}

void ScriptingService::RemoveAccountAt(int index)
{
    m_lastError.reset();
    if (!AccountController::instanceExists())
        return;
    AccountController& controller = AccountController::sharedInstance();
    const QList<AccountPtr> accounts = controller.accounts();
    if (index >= 0 && index < accounts.size())
        controller.removeAccount(accounts[index].get());
}

// --- attachments, images, movies
// ---------------------------------------------------------------------------

namespace {

QList<AttachmentPtr> listOf(int which)
{
    QList<AttachmentPtr> list;
    ScriptableAttachments* library = ScriptableAttachments::sharedInstance();
    if (!library)
        return list;
    for (const AttachmentPtr& attachment : library->attachments()) {
        if (!attachment)
            continue;
        const int type = attachment->fileType().value_or(Attachment::OtherFile);
        if (which == 0 || (which == 1 && type == Attachment::ImageFile) ||
            (which == 2 && type == Attachment::MovieFile))
            list.append(attachment);
    }
    return list;
}

} // namespace

QVariantList ScriptingService::mediaList(Media which)
{
    m_lastError.reset();
    QVariantList values;
    const QList<AttachmentPtr> list = listOf(int(which));
    for (int i = 0; i < list.size(); ++i)
        values.append(attachmentValues(*list[i], i));
    return values;
}

QVariantMap ScriptingService::mediaAt(Media which, int index)
{
    m_lastError.reset();
    const QList<AttachmentPtr> list = listOf(int(which));
    if (index < 0 || index >= list.size()) {
        fail(invalidAction, localized(table, "Invalid action."));
        return {};
    }
    return attachmentValues(*list[index], index);
}

void ScriptingService::insertMedia(const QVariantMap& properties)
{
    m_lastError.reset();
    if (refusedFields("InsertAttachment", properties))
        return;
    ScriptableAttachments* library = ScriptableAttachments::sharedInstance();
    const QString path = properties.value(QStringLiteral("path")).toString();
    if (const auto refusal = BusBounds::pathRefusal(path)) {
        m_lastError = Error{invalidAction, *refusal};
        BusBounds::refuse(*this, QStringLiteral("InsertAttachment"), *refusal);
        return;
    }
    if (!library || path.isEmpty()) {
        fail(invalidAction, localized(table, "Invalid action."));
        return;
    }
    AttachmentPtr attachment = Attachment::attachmentWithPath(path);
    if (!attachment) {
        fail(invalidAction, localized(table, "Invalid action."));
        return;
    }
    library->addAttachment(attachment);
}

void ScriptingService::removeMediaAt(Media which, int index)
{
    m_lastError.reset();
    const QList<AttachmentPtr> list = listOf(int(which));
    ScriptableAttachments* library = ScriptableAttachments::sharedInstance();
    if (!library || index < 0 || index >= list.size()) {
        fail(invalidAction, localized(table, "Invalid action."));
        return;
    }
    library->removeAttachment(list[index]);
}

QVariantList ScriptingService::Attachments()
{
    return mediaList(Media::All);
}
QVariantMap ScriptingService::AttachmentAt(int index)
{
    return mediaAt(Media::All, index);
}
void ScriptingService::SetAttachments(const QVariantList&)
{
    fail(invalidAction, localized(table, "Invalid action."));
}
void ScriptingService::InsertAttachment(const QVariantMap& properties)
{
    insertMedia(properties);
}
void ScriptingService::RemoveAttachmentAt(int index)
{
    removeMediaAt(Media::All, index);
}

QVariantList ScriptingService::Images()
{
    return mediaList(Media::Images);
}
QVariantMap ScriptingService::ImageAt(int index)
{
    return mediaAt(Media::Images, index);
}
void ScriptingService::SetImages(const QVariantList&)
{
    fail(invalidAction, localized(table, "Invalid action."));
}
void ScriptingService::InsertImage(const QVariantMap& properties)
{
    insertMedia(properties);
}
void ScriptingService::RemoveImageAt(int index)
{
    removeMediaAt(Media::Images, index);
}

QVariantList ScriptingService::Movies()
{
    return mediaList(Media::Movies);
}
QVariantMap ScriptingService::MovieAt(int index)
{
    return mediaAt(Media::Movies, index);
}
void ScriptingService::SetMovies(const QVariantList&)
{
    fail(invalidAction, localized(table, "Invalid action."));
}
void ScriptingService::InsertMovie(const QVariantMap& properties)
{
    insertMedia(properties);
}
void ScriptingService::RemoveMovieAt(int index)
{
    removeMediaAt(Media::Movies, index);
}

// --- selection
// -----------------------------------------------------------------------------------------

QVariantMap ScriptingService::SelectedAccount()
{
    m_lastError.reset();
    Account* account = AccountController::instanceExists()
                           ? AccountController::sharedInstance().selectedAccount()
                           : nullptr;
    if (!account) {
        fail(nothingSelected, localized(table, "No account has been selected."));
        return {};
    }
    const QList<AccountPtr> accounts = AccountController::sharedInstance().accounts();
    int index = -1;
    for (int i = 0; i < accounts.size(); ++i) {
        if (accounts[i].get() == account)
            index = i;
    }
    return accountValues(*account, index);
}

QVariantMap ScriptingService::SelectedBlog()
{
    m_lastError.reset();
    Blog* blog = m_blogController ? m_blogController->selectedBlog() : nullptr;
    if (!blog) {
        fail(nothingSelected, localized(table, "No blog has been selected."));
        return {};
    }
    return blogValues(*blog);
}

QVariantList ScriptingService::SelectedEntries()
{
    m_lastError.reset();
    const QList<Entry*> entries =
        m_blogController ? m_blogController->selectedEntries() : QList<Entry*>();
    if (entries.isEmpty()) {
        fail(nothingSelected, localized(table, "No post has been selected."));
        return {};
    }
    QVariantList values;
    for (const Entry* entry : entries)
        values.append(entryValues(*entry));
    return values;
}
