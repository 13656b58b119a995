#include "AccountArrayController.h"
#include "AccountList.h"
#include "ActivityList.h"
#include "BlogController.h"
#include "DraftActions.h"
#include "DraftPeerTesting.h"
#include "DraftWindowLayout.h"
#include "RVDraftWindow.h"
#include "RichDraftTesting.h"
#include "RichEditorPane.h"
#include "RichStyleBar.h"
#include "TKWebView.h"

#include <QAction>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>
#include <QWebEngineScript>

using namespace plumet::test;

// The main road, whole: a new draft opened with the main window's New Draft,
// written in the rich editor, Publish, the warnings answered, the window
// gone, and the post on WordPress exactly as the rich editor's serializer
// wrote it.
class tst_DraftPublishPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void writeInTheRichEditorAndPublish();

private:
    DraftPeerWorld m_peer;
};

void tst_DraftPublishPeer::initTestCase()
{
    QString problem;
    QVERIFY2(m_peer.start(this, &problem), qPrintable(problem));
    // As the program installs it.
    DraftExtensions::sharedInstance().makeRichEditor = [](QWidget* parent,
                                                          DraftEditorHost& host) -> DraftEditor* {
        return (new RichEditorPane(&host, parent))->editor();
    };
}

void tst_DraftPublishPeer::cleanupTestCase()
{
    m_peer.stop();
}

void tst_DraftPublishPeer::writeInTheRichEditorAndPublish()
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("usesHTMLEditor"), 0);
    const BlogSetup setup = m_peer.blog();
    setup.blog->setOption(QStringLiteral("warnOnTitle"), true);
    setup.blog->setOption(QStringLiteral("warnOnCategories"), true);

    // The program's New Draft: the main window's command, the blog selected.
    DraftController& drafts = DraftController::sharedInstance();
    AccountList accounts;
    accounts.insertAccount(setup.account, -1);
    BlogController window(accounts);
    auto closeWindow = qScopeGuard([&] { window.cleanUp(); });
    window.start();
    window.outline()->select(setup.blog.get());
    QAction* newDraft = window.action(QStringLiteral("new"));
    QVERIFY(newDraft && newDraft->isEnabled());
    newDraft->trigger();
    QCOMPARE(drafts.listOfDrafts().size(), 1);
    Draft* draft = drafts.listOfDrafts().first();
    const EntryPtr entry = draft->entry();
    QVERIFY(entry && entry->isNew());
    QVERIFY(setup.blog->entries().contains(entry));
    QVERIFY(entry->title().startsWith(QStringLiteral("Untitled ")));
    QCOMPARE(draft->mode(), int(Draft::RichMode));
    draft->window()->resize(820, 640);
    QVERIFY(QTest::qWaitForWindowExposed(draft->window()));
    TKWebView* rich = richView(draft);
    QVERIFY(rich);
    QVERIFY(QTest::qWaitFor([&] { return rich->contentPage()->isReady(); }, PageTimeout));

    draft->layout().titleField()->setFocus();
    draft->layout().titleField()->selectAll();
    QTest::keyClicks(draft->layout().titleField(), QStringLiteral("A walk by the river"));

    rich->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return rich->focusProxy() && rich->focusProxy()->hasFocus(); },
                            PageTimeout));
    // The caret at the end of the (empty) post.
    evaluate(rich, QStringLiteral("(function(){var d=document.getElementById('plumetcontent');"
                                  "d.focus();"
                                  "var r=document.createRange();r.selectNodeContents(d);"
                                  "r.collapse(false);getSelection().removeAllRanges();"
                                  "getSelection().addRange(r);return true;})()"));
    QVERIFY(waitFor(rich, QStringLiteral("document.hasFocus() && document.activeElement && "
                                         "document.activeElement.id === 'plumetcontent'")));
    QWidget* keys = rich->focusProxy();
    QTest::keyClicks(keys, QStringLiteral("We didn't walk far."));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.includes('far.')")));
    QTest::keyClick(keys, Qt::Key_Return);
    QTest::keyClicks(keys, QStringLiteral("The water was "));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.includes('was')")));
    rich->styleBar()->button(RichStyle::Bold)->click();
    QVERIFY(waitFor(rich, QStringLiteral("document.queryCommandState('bold')")));
    QTest::keyClicks(keys, QStringLiteral("high"));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.endsWith('high')")));
    rich->styleBar()->button(RichStyle::Bold)->click();
    QVERIFY(waitFor(rich, QStringLiteral("!document.queryCommandState('bold')")));
    QTest::keyClicks(keys, QStringLiteral(" that day."));
    QVERIFY(waitFor(rich, QStringLiteral("document.body.innerText.endsWith('day.')")));

    // What the serializer makes of it is what must arrive.
    std::optional<QString> written;
    rich->commitContent([&](const QString& text) { written = text; });
    QTRY_VERIFY_WITH_TIMEOUT(written.has_value(), PageTimeout);
    // Return made a second paragraph (not a line break or a division), the
    // bold words are strong, the apostrophe stays a plain character.
    QCOMPARE(*written, QStringLiteral("<p>We didn't walk far.</p>\n"
                                      "<p>The water was <strong>high</strong> that day.</p>\n"));

    PublishWatch watch(*m_peer.road);
    draft->actions().publishAction()->trigger();
    // No category: the blog warns, and the user goes on.
    QTRY_VERIFY_WITH_TIMEOUT(draft->sheet(), PageTimeout);
    QVERIFY(plainText(draft->sheet()->text()).contains(QStringLiteral("tags or categories")));
    QVERIFY(clickButton(draft->sheet(), QStringLiteral("Continue publish")));
    QVERIFY(!drafts.draftForEntry(entry.get()));
    QTRY_VERIFY_WITH_TIMEOUT(watch.outcome().ended, PageTimeout);
    QVERIFY2(watch.outcome().state == Job::State::Finished, qPrintable(watch.outcome().message));
    // WordPress stores a post without its final line break; every other byte
    // is the serializer's.
    QString expected = *written;
    while (expected.endsWith(u'\n'))
        expected.chop(1);
    QCOMPARE(entry->body(), expected);

    // Read back through XML-RPC, as any client would.
    QString problem;
    const QVariantMap post = m_peer.serverPost(entry->uniqueID(), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(post.value(QStringLiteral("title")).toString(), QStringLiteral("A walk by the river"));
    QCOMPARE(post.value(QStringLiteral("description")).toString(), expected);
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    tst_DraftPublishPeer test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_draftpublishpeer.moc"
