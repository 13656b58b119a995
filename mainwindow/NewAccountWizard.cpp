#include "NewAccountWizard.h"

#include "Account.h"
#include "AccountSheet.h"
#include "GenericParser.h"
#include "Localization.h"
#include "PluginManager.h"
#include "RSD.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

QString appText(const char* source)
{
    return localized("AppControl", source);
}

QString accountText(const char* source)
{
    return localized("Account", source);
}

QString ownText(const char* source)
{
    return localized("AccountController", source);
}

const QKeySequence returnKey(Qt::Key_Return);
const QKeySequence escapeKey(Qt::Key_Escape);

} // namespace

NewAccountWizard::NewAccountWizard(AccountSheet& sheet, BlogSystems systems, QObject* parent)
    : QObject(parent), m_sheet(sheet), m_systems(std::move(systems)),
      m_dummy(std::make_unique<Account>())
{
    m_fetch = [](Account& account, const QString& address, QObject* context, PageFetched done) {
        if (account.downloadFromURL(address, context, done))
            return;
        // No roads to fetch with: answered on the event loop all the same.
        QTimer::singleShot(0, context, [done = std::move(done)] {
            done({}, {},
                 localized("Account",
                           "For some obscure reason a download request could not be made."));
        });
    };

    QComboBox* popup = m_sheet.configPopup();
    for (const BlogSystems::Row& row : m_systems.rows())
        popup->addItem(row.system);
    popup->insertSeparator(popup->count());
    popup->addItem(ownText("Other"));
    connect(popup, &QComboBox::currentIndexChanged, this,
            [this](int index) { setSelectedSystem(popupIndexToSystem(index)); });
    // Next needs an address, unless the system brings its own access point.
    const auto updateNext = [this] {
        if (m_sheet.currentPage() != AccountSheet::Page::Address)
            return;
        m_sheet.button(AccountSheet::FirstButton)
            ->setEnabled(selectedConfig().isValid() ||
                         !m_sheet.addressField()->text().trimmed().isEmpty());
    };
    connect(m_sheet.addressField(), &QLineEdit::textChanged, this, updateNext);
    connect(popup, &QComboBox::currentIndexChanged, this, updateNext);
}

NewAccountWizard::~NewAccountWizard()
{
    unbindStatus();
}

int NewAccountWizard::popupIndexToSystem(int popupIndex) const
{
    // The separator takes a place in the pop-up; "Other" is the index past the rows.
    return popupIndex < m_systems.count() ? popupIndex : m_systems.count();
}

void NewAccountWizard::setSelectedSystem(int index)
{
    m_selectedSystem = qBound(0, index, m_systems.count());
}

void NewAccountWizard::start()
{
    stop();
    m_running = true;
    m_dummy = std::make_unique<Account>();
    m_typedAddress.clear();
    m_errorMessage.clear();
    setSelectedSystem(0);
    m_sheet.configPopup()->setCurrentIndex(0);
    m_sheet.addressField()->clear();
    m_sheet.accessPointField()->clear();
    m_sheet.userField()->clear();
    m_sheet.passwordField()->clear();
    m_sheet.swapViews(AccountSheet::Page::Address);
    m_sheet.configureButton(AccountSheet::FirstButton, appText("Next"), returnKey,
                            [this] { processURL(); });
    m_sheet.configureButton(AccountSheet::SecondButton, appText("Cancel"), escapeKey,
                            [this] { endSheet(-2); });
    m_sheet.button(AccountSheet::FirstButton)->setEnabled(false);
    m_sheet.setWindowTitle(ownText("New Account"));
    m_sheet.begin();
}

void NewAccountWizard::stop()
{
    m_running = false;
    delete m_fetchContext.data();
    unbindStatus();
}

void NewAccountWizard::endSheet(int code)
{
    stop();
    m_sheet.end(code);
}

void NewAccountWizard::processURL()
{
    m_discovered = false;
    const BlogSystems::Row* row = m_systems.row(m_selectedSystem);
    if (row && !row->plugin.isEmpty())
        m_dummy->setPluginKey(row->plugin);
    if (row && row->config.isValid()) {
        m_dummy->setUrl(row->url);
        requestAuth();
        return;
    }
    const QString typed = m_sheet.addressField()->text().trimmed();
    // An address typed without a scheme is tried over https first, so that
    // the page that names the access point (and so where the password goes)
    // comes over a checked connection; http follows if https gives nothing.
    m_httpFallback.clear();
    m_fellBackToHttp = false;
    if (!typed.contains(QLatin1String("://"))) {
        m_httpFallback = QStringLiteral("http://") + typed;
        m_dummy->setUrl(QStringLiteral("https://") + typed);
    } else {
        m_dummy->setUrl(typed);
    }
    m_typedAddress = m_dummy->escapedURL();
    const QString scheme = m_typedAddress.scheme();
    if (!m_typedAddress.isValid() || m_typedAddress.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        showError(ownText("\"%1\" is not the address of a web page. Type your blog's address, "
                          "such as https://example.com/blog/")
                      .arg(typed));
        return;
    }
    showProgress();
    fetch(m_typedAddress.toString(), &NewAccountWizard::processDownloadFromURL);
}

void NewAccountWizard::showProgress()
{
    m_sheet.swapViews(AccountSheet::Page::Progress);
    m_sheet.configureButton(AccountSheet::FirstButton, appText("Cancel"), escapeKey,
                            [this] { cancelDownloadFromURL(); });
    m_sheet.hideButton(AccountSheet::SecondButton);
    m_errorMessage.clear();
    m_sheet.setDuration(0);
    bindStatus();
    m_dummy->setSubStatus(accountText("Initializing connection..."));
    m_dummy->setStatus(accountText("Finding access point..."));
}

void NewAccountWizard::fetch(const QString& address,
                             void (NewAccountWizard::*answer)(const QString&, const QUrl&))
{
    delete m_fetchContext.data();
    auto* context = new QObject(this);
    m_fetchContext = context;
    m_fetch(*m_dummy, address, context,
            [this, context, answer](const QString& text, const QUrl& finalAddress,
                                    const QString& error) {
                if (m_fetchContext != context)
                    return;
                m_fetchContext = nullptr;
                context->deleteLater();
                if (!error.isEmpty())
                    failedDownloadFromURL(error);
                else
                    (this->*answer)(text, finalAddress);
            });
}

void NewAccountWizard::processDownloadFromURL(const QString& text, const QUrl& pageAddress)
{
    m_httpFallback.clear(); // the home page answered: later failures are no reason to retry
    if (text.isEmpty()) {
        showAccessPointPage();
        return;
    }
    GenericParser parser(text);
    parser.parseLinks(text);
    const QUrl rsd = AccessPointDiscovery::editURI(
        parser.parsedArray(), pageAddress.isEmpty() ? m_typedAddress : pageAddress);
    if (rsd.isEmpty()) {
        showAccessPointPage();
        return;
    }
    m_errorMessage.clear();
    m_dummy->setUrl(rsd.toString());
    fetch(rsd.toString(), &NewAccountWizard::processDownloadFromRSD);
}

void NewAccountWizard::processDownloadFromRSD(const QString& text, const QUrl& documentAddress)
{
    RSD document(text);
    if (!document.parseRSD() || document.parsedDictionary().isEmpty()) {
        showError(document.errorString().isEmpty()
                      ? ownText("The blog's discovery document could not be read.")
                      : document.errorString());
        return;
    }
    const auto choice = AccessPointDiscovery::preferredApi(
        document.parsedDictionary().value(QStringLiteral("apis")).toList(),
        documentAddress.isEmpty() ? m_dummy->escapedURL() : documentAddress);
    if (!choice) {
        // The discovery document's own address is no access point: let the
        // user type one, starting from the address typed.
        m_dummy->setUrl(m_typedAddress.toString());
        showAccessPointPage();
        return;
    }
    m_dummy->setUrl(choice->address.toString());
    m_dummy->setPluginKey(choice->pluginKey);
    m_discovered = true;
    const BlogSystems::Row* row = m_systems.row(m_selectedSystem);
    if (row && !row->plugin.isEmpty())
        m_dummy->setPluginKey(row->plugin);
    const auto move = moveTo(choice->address);
    if (move.any())
        showWarning(move);
    else
        requestAuth();
}

void NewAccountWizard::showAccessPointPage()
{
    unbindStatus();
    m_errorMessage.clear();
    m_sheet.accessPointField()->setText(m_dummy->url());
    m_sheet.swapViews(AccountSheet::Page::AccessPoint);
    m_sheet.configureButton(AccountSheet::FirstButton, appText("Next"), returnKey,
                            [this] { processAccessPoint(); });
    m_sheet.configureButton(AccountSheet::SecondButton, appText("Cancel"), escapeKey,
                            [this] { endSheet(-2); });
}

void NewAccountWizard::processAccessPoint()
{
    const QString typed = m_sheet.accessPointField()->text().trimmed();
    m_dummy->setUrl(typed);
    m_discovered = false;
    if (m_dummy->url().size() > 9) {
        // Typed by the user, it may be on any host; but plain http after the
        // silent fall-back is said before the password goes there.
        AccessPointDiscovery::AccessPointMove move;
        move.insecure = m_fellBackToHttp && moveTo(m_dummy->escapedURL()).insecure;
        if (move.any())
            showWarning(move);
        else
            requestAuth();
        return;
    }
    // Too short for any address: said, never a wizard that just goes away.
    showError(ownText("\"%1\" is not the address of an access point. Type the address your "
                      "blog's server answers at, such as https://example.com/xmlrpc.php")
                  .arg(typed));
}

AccessPointDiscovery::AccessPointMove NewAccountWizard::moveTo(const QUrl& accessPoint) const
{
    QUrl wanted = m_typedAddress;
    if (m_fellBackToHttp)
        wanted.setScheme(QStringLiteral("https"));
    return AccessPointDiscovery::moveOf(wanted, accessPoint);
}

void NewAccountWizard::showWarning(const AccessPointDiscovery::AccessPointMove& move)
{
    unbindStatus();
    const QUrl accessPoint = m_dummy->escapedURL();
    QStringList lines;
    if (move.insecure && m_fellBackToHttp)
        lines.append(ownText("%1 did not answer over https, so its page was fetched over plain "
                             "http instead.")
                         .arg(m_typedAddress.host()));
    if (move.otherHost)
        lines.append(ownText("The blog at %1 names an access point on another server, %2. Your "
                             "user name and password would be sent there.")
                         .arg(m_typedAddress.host(), accessPoint.host()));
    if (move.insecure)
        lines.append(ownText("The access point %1 is reached over plain http, not https: your "
                             "password would travel unencrypted.")
                         .arg(accessPoint.toDisplayString()));
    lines.append(ownText("Use this access point anyway, or change the address?"));
    m_sheet.setWarningMessage(lines.join(QStringLiteral("\n\n")));
    m_sheet.swapViews(AccountSheet::Page::Warning);
    m_sheet.configureButton(AccountSheet::FirstButton, ownText("Change Address"), returnKey,
                            [this] { showAccessPointPage(); });
    m_sheet.configureButton(AccountSheet::SecondButton, ownText("Use Anyway"), QKeySequence(),
                            [this] { requestAuth(); });
}

void NewAccountWizard::requestAuth()
{
    unbindStatus();
    m_errorMessage.clear();
    m_sheet.setFound(m_discovered ? ownText("plumet found your blog:") : ownText("Your blog:"),
                     PluginManager::sharedInstance().displayNameForKey(m_dummy->pluginKey()),
                     m_dummy->escapedURL().toDisplayString());
    m_sheet.swapViews(AccountSheet::Page::Authentication);
    m_sheet.configureButton(AccountSheet::FirstButton, appText("Save"), returnKey,
                            [this] { endConfig(); });
    m_sheet.configureButton(AccountSheet::SecondButton, appText("Cancel"), escapeKey,
                            [this] { endSheet(-2); });
}

void NewAccountWizard::endConfig()
{
    std::shared_ptr<Account> account = Account::create();
    account->setUrl(m_dummy->url());
    account->setPluginKey(m_dummy->pluginKey());
    account->setUsername(m_sheet.userField()->text().trimmed());
    // Kept from the keychain until the first refresh proves it.
    account->holdPasswords();
    account->setPassword(m_sheet.passwordField()->text());
    account->setStatus(accountText("Updating account"));
    emit accountConfigured(account);
}

void NewAccountWizard::cancelDownloadFromURL()
{
    m_sheet.setDuration(1);
    endSheet(-2);
}

void NewAccountWizard::failedDownloadFromURL(const QString& message)
{
    // The home page over https failed: the same address over http, once.
    if (!m_httpFallback.isEmpty()) {
        m_dummy->setUrl(std::exchange(m_httpFallback, QString()));
        m_typedAddress = m_dummy->escapedURL();
        m_fellBackToHttp = true;
        fetch(m_typedAddress.toString(), &NewAccountWizard::processDownloadFromURL);
        return;
    }
    showError(message);
}

void NewAccountWizard::showError(const QString& message)
{
    unbindStatus();
    m_errorMessage = message;
    m_sheet.setErrorMessage(message);
    m_sheet.swapViews(AccountSheet::Page::Error);
    m_sheet.configureButton(AccountSheet::FirstButton, appText("OK"), returnKey,
                            [this] { endSheet(-2); });
    m_sheet.hideButton(AccountSheet::SecondButton);
}

void NewAccountWizard::bindStatus()
{
    unbindStatus();
    Account* dummy = m_dummy.get();
    m_sheet.setStatus(dummy->status());
    m_sheet.setSubStatus(dummy->subStatus());
    m_statusBinding =
        connect(dummy, &ModelRecord::valueChanged, this, [this, dummy](const QString& key) {
            if (key == QLatin1String("status"))
                m_sheet.setStatus(dummy->status());
            else if (key == QLatin1String("subStatus"))
                m_sheet.setSubStatus(dummy->subStatus());
        });
}

void NewAccountWizard::unbindStatus()
{
    if (m_statusBinding)
        disconnect(m_statusBinding);
    m_statusBinding = {};
}
