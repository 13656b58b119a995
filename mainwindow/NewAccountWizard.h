#pragma once

#include "AccessPointDiscovery.h"
#include "BlogSystems.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>

class Account;
class AccountSheet;

// The new-account wizard in the accounts window's sheet. The user chooses a
// blog system and types the blog's address: one without a scheme is tried
// over https, then over http if that gives nothing; one that names no web
// page shows an error. Unless the system has a fixed access point, the page
// there is fetched, its first EditURI link names the discovery (RSD)
// document, and the document's preferred API gives the access point and the
// plug-in (a plug-in the chosen system names wins). A page without that
// link, or a document without a usable API, leaves the user to type the
// access point. An access point on another host than the typed address, or
// over plain http where https was typed (or tried first, for an address
// without a scheme), is shown to the user, who chooses, before any password
// is asked for. Then user name and password, below the blog system and
// access point found; accountConfigured() hands the new account (in no list
// yet, its password held back from the keychain) on for its first refresh.
//
// A scratch account (dummy()) carries the address being looked at and the
// fetches' status lines.
class NewAccountWizard : public QObject {
    Q_OBJECT
public:
    // One page fetched: its text and the address it finally came from after
    // redirects, or a message saying why there is none.
    using PageFetched =
        std::function<void(const QString& text, const QUrl& address, const QString& error)>;
    // Fetches a page for the scratch account; `done` is not called once
    // `context` is gone.
    using PageFetch = std::function<void(Account& account, const QString& address, QObject* context,
                                         PageFetched done)>;

    NewAccountWizard(AccountSheet& sheet, BlogSystems systems, QObject* parent = nullptr);
    ~NewAccountWizard() override;

    // Through Account::downloadFromURL (a download job) unless set.
    void setPageFetch(PageFetch fetch) { m_fetch = std::move(fetch); }

    // Opens the address page in the sheet.
    void start();
    // Stops a fetch and unbinds the sheet (the sheet has ended).
    void stop();
    bool isRunning() const { return m_running; }

    Account& dummy() const { return *m_dummy; }
    const BlogSystems& systems() const { return m_systems; }
    // The chosen row of the systems table; "Other" is the index past the rows.
    int selectedSystem() const { return m_selectedSystem; }
    void setSelectedSystem(int index);
    // The chosen row's "config", invalid for "Other".
    QVariant selectedConfig() const { return m_systems.selectedConfig(m_selectedSystem); }
    QString errorMessage() const { return m_errorMessage; }

    // The steps, as the sheet's buttons run them.
    void processURL();
    void processAccessPoint();
    void endConfig();
    void cancelDownloadFromURL();
    // The authentication page again, its fields as they were (after a
    // first refresh that failed).
    void requestAuth();

    // The fetches' answers.
    void processDownloadFromURL(const QString& text, const QUrl& pageAddress);
    void processDownloadFromRSD(const QString& text, const QUrl& documentAddress);
    void failedDownloadFromURL(const QString& message);

signals:
    void accountConfigured(std::shared_ptr<Account> account);
    // The wizard ended the sheet itself (cancelled, or nothing to go on).
    void sheetEnded(int code);

private:
    void showProgress();
    void showAccessPointPage();
    void showWarning(const AccessPointDiscovery::AccessPointMove& move);
    // Where the access point sends the password, against what the user
    // asked for: https for an address typed without a scheme, even once
    // the page itself came over http.
    AccessPointDiscovery::AccessPointMove moveTo(const QUrl& accessPoint) const;
    void showError(const QString& message);
    void fetch(const QString& address,
               void (NewAccountWizard::*answer)(const QString&, const QUrl&));
    void bindStatus();
    void unbindStatus();
    void endSheet(int code);
    int popupIndexToSystem(int popupIndex) const;

    AccountSheet& m_sheet;
    BlogSystems m_systems;
    PageFetch m_fetch;
    std::unique_ptr<Account> m_dummy;
    int m_selectedSystem = 0;
    QString m_errorMessage;
    QUrl m_typedAddress;
    QString m_httpFallback;        // the typed address over http, while https is tried
    bool m_fellBackToHttp = false; // https gave nothing: the page came over http
    bool m_discovered = false;     // the access point came from the blog's page
    QPointer<QObject> m_fetchContext;
    QMetaObject::Connection m_statusBinding;
    bool m_running = false;
};
