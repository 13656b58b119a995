#include "Account.h"
#include "Blog.h"
#include "BlogSettingsWindow.h"
#include "FactoryDefaults.h"
#include "Format.h"
#include "NotificationCenter.h"
#include "Ping.h"
#include "ScreenshotSaver.h"
#include "Template.h"
#include "TestHttpServer.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

using plumet::test::TestHttpServer;

// The per-blog Settings window over real accounts and blogs.
class tst_BlogSettingsWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensOnTheBlogAndWritesItsSettings();
    void applyToAllFollowsTheUsersMoves();
    void formatPopup();
    void defaultPingsAndCharsetCheck();
    void pingsAndTemplatesWriteTheShownBlogOnly();
    void screenshots();

private:
    template <class T> T* child(const char* name)
    {
        auto* widget = m_window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no %s", name);
        return widget;
    }
    static std::shared_ptr<Account> account(const QString& title, const QStringList& blogs);

    QTemporaryDir m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<NotificationCenter> m_center;
    std::shared_ptr<Account> m_first, m_second;
    std::unique_ptr<BlogSettingsWindow> m_window;
    QStringList m_heard;
    int m_saves = 0;
};

std::shared_ptr<Account> tst_BlogSettingsWindow::account(const QString& title,
                                                         const QStringList& blogs)
{
    auto account = Account::create();
    account->setTitle(title);
    account->setUrl(QStringLiteral("http://127.0.0.1:9/xmlrpc.php"));
    QList<BlogPtr> list;
    for (const QString& name : blogs) {
        auto blog = std::make_shared<Blog>();
        blog->setTitle(name);
        blog->setTimeZone(QStringLiteral("Europe/Paris"));
        list << blog;
    }
    account->setBlogs(list);
    return account;
}

void tst_BlogSettingsWindow::init()
{
    QFile::remove(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_defaults = std::make_unique<UserDefaults>(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_defaults->registerDefaults(FactoryDefaults::values());
    m_center = std::make_unique<NotificationCenter>();
    m_heard.clear();
    for (const char* name :
         {"preferencesOpened", "preferencesClosed", "styleChanged", "previewStyleChanged"})
        m_center->observe(QLatin1String(name), m_center.get(),
                          [this](const Notification& note) { m_heard << note.name; });
    m_first = account(QStringLiteral("Work"), {"Alpha", "Beta", "Gamma"});
    m_second = account(QStringLiteral("Home"), {"Delta", "Epsilon"});
    m_window = std::make_unique<BlogSettingsWindow>(*m_defaults, *m_center);
    m_window->setAccounts({m_first, m_second});
    m_saves = 0;
    m_window->setSaveAccounts([this] { ++m_saves; });
}

void tst_BlogSettingsWindow::cleanup()
{
    m_window.reset();
}

void tst_BlogSettingsWindow::opensOnTheBlogAndWritesItsSettings()
{
    Blog* beta = m_first->blogs().at(1).get();
    m_window->showFor(m_first.get(), beta);
    QCOMPARE(m_window->shownAccount(), m_first.get());
    QCOMPARE(m_window->shownBlog(), beta);
    QCOMPARE(child<QComboBox>("accountPopup")->currentText(), QStringLiteral("Work"));
    QCOMPARE(child<QListWidget>("blogList")->currentRow(), 1);
    QCOMPARE(m_heard, QStringList{"preferencesOpened"});

    // The controls write the blog's setters.
    auto* comments = child<QCheckBox>("commentOption");
    QVERIFY(comments->isChecked()); // a new blog allows comments
    comments->click();
    QCOMPARE(beta->option(QStringLiteral("commentOption")).toBool(), false);
    auto* zones = child<QComboBox>("timeZonePopup");
    QCOMPARE(zones->currentData().toString(), QStringLiteral("Europe/Paris"));
    zones->setCurrentIndex(zones->findData(QStringLiteral("Asia/Tokyo")));
    QCOMPARE(beta->timeZone(), QStringLiteral("Asia/Tokyo"));
    zones->setCurrentIndex(0);
    QCOMPARE(beta->timeZone(), QStringLiteral("Use local timezone"));
    QVERIFY(!beta->namedTimeZone());

    // A change made elsewhere shows.
    beta->setOption(QStringLiteral("warnOnSummary"), true);
    QVERIFY(child<QCheckBox>("warnOnSummary")->isChecked());
    // Other blogs are untouched.
    QCOMPARE(m_first->blogs().at(0)->option(QStringLiteral("commentOption")).toBool(), true);

    QVERIFY(!child<QPushButton>("grabCSSButton")->isEnabled());
    m_window->close();
    QVERIFY(m_window->isHidden());
    QCOMPARE(m_saves, 1);
    QCOMPARE(m_heard, (QStringList{"preferencesOpened", "preferencesClosed"}));
}

void tst_BlogSettingsWindow::applyToAllFollowsTheUsersMoves()
{
    m_defaults->setValue(QStringLiteral("apply_all_blogs"), true);
    const QList<BlogPtr> work = m_first->blogs();
    m_window->showFor(m_first.get(), work.at(0).get());
    auto* zones = child<QComboBox>("timeZonePopup");
    zones->setCurrentIndex(zones->findData(QStringLiteral("Asia/Tokyo")));

    // Alpha's settings reach its siblings when the user moves on to Beta.
    child<QListWidget>("blogList")->setCurrentRow(1);
    QCOMPARE(m_window->shownBlog(), work.at(1).get());
    QCOMPARE(work.at(1)->timeZone(), QStringLiteral("Asia/Tokyo"));
    QCOMPARE(work.at(2)->timeZone(), QStringLiteral("Asia/Tokyo"));
    QCOMPARE(zones->currentData().toString(), QStringLiteral("Asia/Tokyo"));

    // Switching accounts copies the newly shown blog's settings.
    const QList<BlogPtr> home = m_second->blogs();
    home.at(0)->setTimeZone(QStringLiteral("America/Lima"));
    child<QComboBox>("accountPopup")->setCurrentIndex(1);
    QCOMPARE(m_window->shownBlog(), home.at(0).get());
    QCOMPARE(home.at(1)->timeZone(), QStringLiteral("America/Lima"));
    QCOMPARE(work.at(0)->timeZone(), QStringLiteral("Asia/Tokyo"));

    // Closing copies the blog shown last.
    zones->setCurrentIndex(zones->findData(QStringLiteral("Africa/Cairo")));
    m_window->close();
    QCOMPARE(home.at(1)->timeZone(), QStringLiteral("Africa/Cairo"));
    QCOMPARE(m_saves, 1);
}

void tst_BlogSettingsWindow::formatPopup()
{
    auto format = [](const QString& title, const QString& id) {
        auto record = std::make_shared<Format>();
        if (!title.isNull())
            record->setTitle(title);
        record->setUniqueID(id);
        return record;
    };
    m_first->setFormats(QList<FormatPtr>{format("Markdown", "md"), format("Textile", "textile"),
                                         format("Markdown", "md2"), format(QString(), "")});
    Blog* alpha = m_first->blogs().at(0).get();
    alpha->setDefaultFormat(QStringLiteral("textile"));
    m_window->showFor(m_first.get(), alpha);
    auto* formats = child<QComboBox>("formatPopup");
    QVERIFY(formats->isEnabled());
    QStringList titles;
    for (int i = 0; i < formats->count(); ++i)
        titles << formats->itemText(i);
    QCOMPARE(titles, (QStringList{"None", "Markdown", "Textile"}));
    QCOMPARE(formats->currentText(), QStringLiteral("Textile"));

    formats->setCurrentIndex(1);
    emit formats->activated(1);
    QCOMPARE(alpha->defaultFormat(), QStringLiteral("md"));
    formats->setCurrentIndex(0);
    emit formats->activated(0);
    QCOMPARE(alpha->defaultFormat(), QStringLiteral(""));

    // A default format the account no longer offers shows "None".
    Blog* beta = m_first->blogs().at(1).get();
    beta->setDefaultFormat(QStringLiteral("gone"));
    child<QListWidget>("blogList")->setCurrentRow(1);
    QCOMPARE(formats->currentText(), QStringLiteral("None"));

    // An account without formats: nothing to choose.
    child<QComboBox>("accountPopup")->setCurrentIndex(1);
    QVERIFY(!formats->isEnabled());
}

void tst_BlogSettingsWindow::defaultPingsAndCharsetCheck()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(TestHttpServer::Response::ok(
        "<!DOCTYPE html><html><head><meta charset=\"UTF-8\"></head></html>", "text/html"));
    Blog* gamma = m_first->blogs().at(2).get();
    gamma->setUrl(server.url(QStringLiteral("/gamma/")).toString());
    gamma->setOption(QStringLiteral("convertEntities"), true);
    m_window->showFor(m_first.get(), gamma);

    QTest::mouseClick(child<QPushButton>("addDefaultPings"), Qt::LeftButton);
    QCOMPARE(gamma->pingUrls().size(), 4);
    QCOMPARE(child<QTableWidget>("pings")->rowCount(), 4);

    auto* entities = child<QCheckBox>("convertEntities");
    QVERIFY(entities->isChecked());
    auto* check = child<QPushButton>("encodingButton");
    QTest::mouseClick(check, Qt::LeftButton);
    QVERIFY(!check->isEnabled());
    auto* message = child<QLabel>("encodingMessage");
    QTRY_COMPARE_WITH_TIMEOUT(message->text(), QStringLiteral("Your blog is encoded with UTF-8."),
                              10000);
    QVERIFY(check->isEnabled());
    QVERIFY(!gamma->convertEntities());
    QVERIFY(!entities->isChecked());
}

void tst_BlogSettingsWindow::pingsAndTemplatesWriteTheShownBlogOnly()
{
    const QList<BlogPtr> work = m_first->blogs();
    Blog* alpha = work.at(0).get();
    Blog* beta = work.at(1).get();
    alpha->setPingUrls(QVariantList{QVariant::fromValue(ArchivableRef(
        Ping::pingWithTitle(QStringLiteral("One"), QStringLiteral("http://one.test/"))))});
    alpha->quoteTemplate()->setBody(QStringLiteral("alpha quote"));
    beta->quoteTemplate()->setBody(QStringLiteral("beta quote"));
    beta->previewTemplate()->setCss(QStringLiteral("p {}"));
    m_window->showFor(m_first.get(), alpha);

    // A cell the user edits is written back; an empty row is not kept.
    auto* pings = child<QTableWidget>("pings");
    QCOMPARE(pings->rowCount(), 1);
    pings->item(0, 0)->setText(QStringLiteral("Renamed"));
    QCOMPARE(alpha->pingUrls().size(), 1);
    QCOMPARE(Ping::fromListValue(alpha->pingUrls().first())->title(), QStringLiteral("Renamed"));
    QCOMPARE(Ping::fromListValue(alpha->pingUrls().first())->address(),
             QStringLiteral("http://one.test/"));
    pings->item(0, 0)->setText(QString());
    pings->item(0, 1)->setText(QStringLiteral("  "));
    QVERIFY(alpha->pingUrls().isEmpty());

    // The template fields write the shown blog's templates.
    auto* quoteTitle = child<QLineEdit>("quoteTitle");
    auto* quoteBody = child<QPlainTextEdit>("quoteBody");
    QCOMPARE(quoteBody->toPlainText(), QStringLiteral("alpha quote"));
    QTest::keyClicks(quoteTitle, QStringLiteral("Q"));
    QCOMPARE(alpha->quoteTemplate()->title(), quoteTitle->text());
    quoteBody->setPlainText(QStringLiteral("edited"));
    QCOMPARE(alpha->quoteTemplate()->body(), QStringLiteral("edited"));
    QTest::keyClicks(child<QLineEdit>("tagSeparator"), QStringLiteral(";"));
    QCOMPARE(alpha->tagTemplate()->separator(), child<QLineEdit>("tagSeparator")->text());
    child<QPlainTextEdit>("previewCss")->setPlainText(QStringLiteral("em {}"));
    QCOMPARE(alpha->previewTemplate()->css(), QStringLiteral("em {}"));
    QVERIFY(m_heard.contains(QStringLiteral("previewStyleChanged")));

    // Showing another blog fills the fields from it and writes nothing back.
    m_heard.clear();
    m_window->chooseBlog(1);
    QCOMPARE(pings->rowCount(), 0);
    QCOMPARE(quoteBody->toPlainText(), QStringLiteral("beta quote"));
    QCOMPARE(child<QPlainTextEdit>("previewCss")->toPlainText(), QStringLiteral("p {}"));
    QCOMPARE(alpha->quoteTemplate()->body(), QStringLiteral("edited"));
    QCOMPARE(alpha->previewTemplate()->css(), QStringLiteral("em {}"));
    QCOMPARE(beta->quoteTemplate()->body(), QStringLiteral("beta quote"));
    QCOMPARE(beta->previewTemplate()->css(), QStringLiteral("p {}"));
    QVERIFY(beta->pingUrls().isEmpty());
    QVERIFY(!m_heard.contains(QStringLiteral("previewStyleChanged")));
}

void tst_BlogSettingsWindow::screenshots()
{
    Blog* alpha = m_first->blogs().at(0).get();
    alpha->setUrl(QStringLiteral("http://127.0.0.1:9/alpha/"));
    m_window->showFor(m_first.get(), alpha);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto* tabs = m_window->findChild<QTabWidget*>();
    QVERIFY(tabs);
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        saveScreenshot(m_window.get(), QStringLiteral("blog-settings-%1").arg(i));
    }
}

QTEST_MAIN(tst_BlogSettingsWindow)
#include "tst_blogsettingswindow.moc"
