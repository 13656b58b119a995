#pragma once

#include "Account.h"
#include "Blog.h"
#include "Draft.h"
#include "DraftController.h"
#include "DraftExtensions.h"
#include "DriverProfile.h"
#include "Entry.h"
#include "FakeRichEditor.h"
#include "PLUMETDraftPanel.h"
#include "RVTextView.h"
#include "ScreenshotSaver.h"
#include "UserDefaults.h"
#include "XmlRpcDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTextDocumentFragment>
#include <memory>

namespace plumet::test {

// A blog system whose fields a test chooses, with an optional draft panel.
class TestBlogSystem : public XmlRpcDriver {
public:
    explicit TestBlogSystem(const DriverProfile& profile) : XmlRpcDriver(profile) {}

    std::unique_ptr<PLUMETDraftPanel>
    draftPluginView(const QVariantMap& settings, PLUMETDraftPanel::SettingsWriter writer) override;

    bool offersPanel = false;
    int panelsDisposed = 0;
};

class TestDraftPanel : public PLUMETDraftPanel {
public:
    TestDraftPanel(TestBlogSystem& system, QVariantMap settings,
                   PLUMETDraftPanel::SettingsWriter writer)
        : m_system(system), m_settings(std::move(settings)), m_writer(std::move(writer)),
          m_view(std::make_unique<QLabel>(QStringLiteral("Custom fields")))
    {
    }
    QWidget* view() override { return m_view.get(); }
    void willDispose(QObject*) override { ++m_system.panelsDisposed; }
    QVariantMap settings() const override { return m_settings; }
    void edit(const QString& key, const QVariant& value)
    {
        m_settings.insert(key, value);
        m_writer(m_settings);
    }

private:
    TestBlogSystem& m_system;
    QVariantMap m_settings;
    PLUMETDraftPanel::SettingsWriter m_writer;
    std::unique_ptr<QLabel> m_view;
};

inline std::unique_ptr<PLUMETDraftPanel>
TestBlogSystem::draftPluginView(const QVariantMap& settings,
                                PLUMETDraftPanel::SettingsWriter writer)
{
    if (!offersPanel)
        return nullptr;
    return std::make_unique<TestDraftPanel>(*this, settings, std::move(writer));
}

inline DriverProfile testProfile(const QString& key, bool extended, bool summary, bool keywords)
{
    DriverProfile profile;
    profile.key = key;
    profile.description = "A test blog system";
    profile.protocolVersion = QStringLiteral("1");
    profile.hasExtendedField = extended;
    profile.hasSummaryField = summary;
    profile.hasKeywordsField = keywords;
    return profile;
}

// Accounts and blogs on disk under the test's home, a blog system per
// account key, and a clean draft registry per test.
class DraftWorld {
public:
    DraftWorld()
        : full(testProfile(QStringLiteral("FullSystem"), true, true, true)), plain([] {
              // The plain system takes no uploads either.
              DriverProfile profile =
                  testProfile(QStringLiteral("PlainSystem"), false, false, false);
              profile.supportsUpload = false;
              return profile;
          }())
    {
        Account::setPluginLookup([this](const QString& key) -> PLUMETPluginProtocol* {
            if (key == full.pluginKey())
                return &full;
            if (key == plain.pluginKey())
                return &plain;
            return nullptr;
        });
    }
    ~DraftWorld()
    {
        DraftController::cleanUp();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        DraftExtensions::sharedInstance() = DraftExtensions();
        Account::setPluginLookup({});
    }

    // The draft windows' accounts (as their blog menus list them) are this world's.
    void offerAccounts()
    {
        DraftExtensions::sharedInstance().accounts = [this] {
            QList<Account*> listed;
            for (const auto& account : accounts)
                listed.append(account.get());
            return listed;
        };
    }

    // A blog of a new account on `system`.
    Blog& addBlog(const QString& title, TestBlogSystem& system)
    {
        auto account = Account::create();
        account->setTitle(title + QStringLiteral(" account"));
        account->setPluginKey(system.pluginKey());
        auto blog = std::make_shared<Blog>();
        blog->setUniqueID(QStringLiteral("blog-") + title);
        blog->setTitle(title);
        account->addBlog(blog);
        accounts.append(account);
        return *blog;
    }

    // An entry of `blog`, written to disk (as a stored post is).
    static EntryPtr addEntry(Blog& blog, const QString& title, const QString& body,
                             const QString& extended = {}, const QString& summary = {})
    {
        EntryPtr entry = Entry::create();
        entry->setTitle(title);
        entry->setBody(body);
        entry->setExtended(extended);
        entry->setSummary(summary);
        entry->setEditMode(Draft::SourceMode);
        blog.addEntry(entry);
        QString error;
        if (!blog.save(*entry, &error))
            qWarning("could not store the test entry: %s", qPrintable(error));
        entry->setNeedsSave(false);
        return entry;
    }

    // A new post of `blog` as the New Draft command makes it: in the blog,
    // never written.
    static EntryPtr addNewEntry(Blog& blog, const QString& title = QStringLiteral("Untitled 1"))
    {
        EntryPtr entry = Entry::create();
        entry->setTitle(title);
        entry->setFlag(Entry::LocalOnly);
        entry->setEditMode(Draft::SourceMode);
        blog.addEntry(entry);
        entry->setIsNew(true);
        return entry;
    }

    // The body of the entry as it stands on disk: the blog folder read anew.
    static std::optional<QString> storedBody(const Blog& blog, const QString& entryID)
    {
        Blog again;
        again.setUniqueID(blog.uniqueID());
        again.setAccount(blog.account());
        again.load();
        const EntryPtr stored = again.entryWithID(entryID);
        if (!stored)
            return std::nullopt;
        return stored->body();
    }

    static void useFakeRichEditors()
    {
        DraftExtensions::sharedInstance().makeRichEditor = [](QWidget* parent, DraftEditorHost&) {
            return new FakeRichEditor(parent);
        };
    }

    TestBlogSystem full;
    TestBlogSystem plain;
    QList<std::shared_ptr<Account>> accounts;
};

inline RVTextView* sourceView(Draft* draft, bool sub = false)
{
    return dynamic_cast<RVTextView*>(draft->editor(Draft::SourceMode, sub));
}

// The user replaces the whole text of a source view.
inline void typeInto(RVTextView* view, const QString& text)
{
    view->selectAll();
    view->insertPlainText(text);
}

inline FakeRichEditor* richEditor(Draft* draft, bool sub = false)
{
    return dynamic_cast<FakeRichEditor*>(draft->editor(Draft::RichMode, sub));
}

// The text of an alert's title as the user reads it (alerts set it in bold).
inline QString plainText(const QString& html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText();
}

// Clicks the button titled `title` of a message box.
inline bool clickButton(QMessageBox* box, const QString& title)
{
    if (!box)
        return false;
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title) {
            button->click();
            return true;
        }
    }
    return false;
}

// The open alert whose object name is `name`, or whose title text holds `text`.
inline QMessageBox* openAlert(const QString& text)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible() &&
            (box->objectName() == text || plainText(box->text()).contains(text)))
            return box;
    }
    return nullptr;
}

inline void letDraftsGo()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace plumet::test
