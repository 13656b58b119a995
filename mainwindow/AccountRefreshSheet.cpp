#include "AccountRefreshSheet.h"

#include "Account.h"
#include "AccountController.h"
#include "AccountEditing.h"
#include "AccountSheet.h"
#include "Blog.h"
#include "Localization.h"
#include "NewAccountWizard.h"

#include <QKeySequence>
#include <QStringList>

namespace {

QString ownText(const char* source)
{
    return localized("AccountController", source);
}

QString appText(const char* source)
{
    return localized("AppControl", source);
}

const QKeySequence returnKey(Qt::Key_Return);
const QKeySequence escapeKey(Qt::Key_Escape);

} // namespace

AccountRefreshSheet::AccountRefreshSheet(AccountController& controller, QObject* parent)
    : QObject(parent), m_controller(controller)
{
}

AccountRefreshSheet::~AccountRefreshSheet() = default;

void AccountRefreshSheet::setSheet(AccountSheet* sheet, NewAccountWizard* wizard)
{
    m_sheet = sheet;
    m_wizard = wizard;
}

void AccountRefreshSheet::start(const AccountPtr& account, bool isNew)
{
    m_criticalAccount = account;
    m_newAccount = isNew ? account : nullptr;
    m_sheet->swapViews(AccountSheet::Page::Progress);
    m_sheet->configureButton(AccountSheet::FirstButton, appText("Cancel"), escapeKey,
                             [this] { endProgressSheet(); });
    m_sheet->hideButton(AccountSheet::SecondButton);
    m_errorMessage.clear();
    account->setSubStatus(localized("Account", "Initializing connection..."));
    m_sheet->setDuration(0);
    bindStatus(account.get());
    m_sheet->begin();

    const QPointer<Account> guard(account.get());
    const bool started = m_road.start(*account, [this, guard](const RefreshEnd& end) {
        if (guard && m_criticalAccount.get() == guard.data())
            done(end);
    });
    if (!started) {
        if (m_criticalAccount == account)
            done(RefreshEnd::failed(ownText("The account cannot be updated now.")));
        return;
    }
    auto* context = new QObject(this);
    m_progressContext = context;
    auto maximum = std::make_shared<double>(-1);
    m_road.watch(*account, context, [this, maximum](double progress, double total) {
        if (total != *maximum) {
            *maximum = total;
            m_sheet->setDuration(total);
        }
        m_sheet->setProgress(progress);
    });
}

void AccountRefreshSheet::done(const RefreshEnd& end)
{
    const AccountPtr account = m_criticalAccount;
    m_criticalAccount.reset();
    if (end.kind == RefreshEnd::Kind::Cancelled) {
        // Nothing runs any more; a new account goes with the sheet.
        m_sheet->end(-2);
        return;
    }
    const bool isNew = account && m_newAccount == account;
    m_newAccount.reset();
    if (!end.succeeded()) {
        unbindStatus();
        m_errorMessage = end.message;
        m_sheet->setErrorMessage(end.message);
        m_sheet->swapViews(AccountSheet::Page::Error);
        if (isNew) {
            newAccountFailed();
            return;
        }
        m_sheet->configureButton(AccountSheet::FirstButton, appText("OK"), returnKey,
                                 [this] { endProgressSheet(); });
        m_sheet->hideButton(AccountSheet::SecondButton);
        return;
    }
    if (isNew) {
        // Named after its blog, told apart from the other accounts.
        QStringList taken;
        for (const AccountPtr& other : m_controller.accounts())
            taken.append(other->title());
        QStringList blogNames;
        for (const BlogPtr& blog : account->blogs())
            blogNames.append(blog->displayName());
        account->setTitle(AccountEditing::newAccountTitle(blogNames, taken));
        account->storeHeldPasswords();
        m_controller.accountList().insertAccount(account, -1);
        m_controller.selectAccount(account.get());
    }
    m_controller.broadcastChange(nullptr);
    if (end.notice.isEmpty()) {
        m_sheet->end(1);
        return;
    }
    // Blogs the server no longer lists: the user learns where their drafts are.
    unbindStatus();
    m_sheet->setInformationMessage(end.notice);
    m_sheet->swapViews(AccountSheet::Page::Information);
    m_sheet->configureButton(AccountSheet::FirstButton, appText("OK"), returnKey,
                             [this] { m_sheet->end(1); });
    m_sheet->hideButton(AccountSheet::SecondButton);
}

void AccountRefreshSheet::newAccountFailed()
{
    // Its passwords were held back (Account::holdPasswords): the keychain
    // has nothing of it.
    m_sheet->configureButton(AccountSheet::FirstButton, appText("Back"), returnKey,
                             [this] { m_wizard->requestAuth(); });
    m_sheet->configureButton(AccountSheet::SecondButton, appText("Cancel"), escapeKey,
                             [this] { endProgressSheet(); });
}

void AccountRefreshSheet::endProgressSheet()
{
    m_sheet->end(-2);
}

void AccountRefreshSheet::cancel(const AccountPtr& account)
{
    if (m_criticalAccount == account) {
        m_criticalAccount.reset();
        m_road.cancel(*account);
    }
}

void AccountRefreshSheet::sheetEnded()
{
    if (m_criticalAccount) {
        const AccountPtr account = m_criticalAccount;
        m_criticalAccount.reset();
        m_road.cancel(*account);
    }
    m_newAccount.reset();
    m_wizard->stop();
    unbindStatus();
    m_sheet->resetStatus();
}

void AccountRefreshSheet::bindStatus(Account* account)
{
    unbindStatus();
    m_sheet->setStatus(account->status());
    m_sheet->setSubStatus(account->subStatus());
    m_statusBindings.append(
        connect(account, &ModelRecord::valueChanged, this, [this, account](const QString& key) {
            if (key == QLatin1String("status"))
                m_sheet->setStatus(account->status());
            else if (key == QLatin1String("subStatus"))
                m_sheet->setSubStatus(account->subStatus());
        }));
}

void AccountRefreshSheet::unbindStatus()
{
    delete m_progressContext.data();
    for (const QMetaObject::Connection& binding : std::as_const(m_statusBindings))
        disconnect(binding);
    m_statusBindings.clear();
}
