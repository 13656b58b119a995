#include "CustomTagDispatch.h"
#include "DraftEditor.h"
#include "RVTag.h"
#include "RVTagTool.h"
#include "RVTextView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace {

// Stands in for the rich editor: a web view inside a widget that is the
// draft's editor. The web view's focus goes to a child of its own.
class WebEditor : public QWidget, public DraftEditor {
public:
    explicit WebEditor(QWidget* parent) : QWidget(parent), m_view(new QWebEngineView(this))
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_view);
        m_view->setHtml(QStringLiteral("<body contenteditable>rich</body>"));
    }
    QWebEngineView* view() const { return m_view; }
    QWidget* editorWidget() override { return this; }
    void commitContent(TextHandler then) override { then({}); }
    void setContent(const QString&) override {}
    void fetchSelection(TextHandler then) override { then({}); }
    void replaceSelection(const QString&) override {}
    void applyCustomTag(const RVTag& tag) override { applied.append(tag.title()); }
    void bold() override {}
    void italic() override {}
    void undo() override {}
    void redo() override {}
    QStringList applied;

private:
    QWebEngineView* m_view;
};

RVTagPtr emphasis()
{
    RVTagPtr tag = RVTag::create();
    tag->setTitle(QStringLiteral("Emphasis"));
    tag->setOpenTag(QStringLiteral("em"));
    return tag;
}

} // namespace

class tst_CustomTagDispatch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void reachesTheRichEditorThroughTheWebViewsFocus();
    void reachesTheSourceView_data();
    void reachesTheSourceView();
    void withoutAnEditorNothingHappens();
    void unusableTagDoesNothing();
    void menuItemsFollowTheFocus();

private:
    std::unique_ptr<QWidget> m_window;
    WebEditor* m_rich = nullptr;
    RVTextView* m_source = nullptr;
    QLineEdit* m_title = nullptr;
    QPushButton* m_button = nullptr;
};

void tst_CustomTagDispatch::init()
{
    m_window = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(m_window.get());
    m_title = new QLineEdit(m_window.get());
    m_rich = new WebEditor(m_window.get());
    m_source = new RVTextView(m_window.get());
    m_button = new QPushButton(QStringLiteral("Tag"), m_window.get());
    layout->addWidget(m_title);
    layout->addWidget(m_rich);
    layout->addWidget(m_source);
    layout->addWidget(m_button);
    m_window->resize(900, 300);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_CustomTagDispatch::cleanup()
{
    m_window.reset();
}

void tst_CustomTagDispatch::reachesTheRichEditorThroughTheWebViewsFocus()
{
    m_rich->view()->setFocus();
    QTRY_VERIFY(m_rich->view()->focusProxy());
    QWidget* focus = m_window->focusWidget();
    QVERIFY(focus);
    QVERIFY(focus != m_rich->view());
    QVERIFY(m_rich->view()->isAncestorOf(focus));
    QCOMPARE(CustomTagDispatch::focusedEditor(m_button), static_cast<DraftEditor*>(m_rich));
    CustomTagDispatch::tagClickAction(*emphasis(), m_button);
    QCOMPARE(m_rich->applied, QStringList{QStringLiteral("Emphasis")});
}

void tst_CustomTagDispatch::reachesTheSourceView_data()
{
    QTest::addColumn<bool>("closeTag");
    QTest::addColumn<QString>("result");
    QTest::newRow("element") << true << "some <em>text</em>";
    // A tag without an end tag applies as much as any other.
    QTest::newRow("empty element") << false << "some <img src=\"text\"/>";
}

void tst_CustomTagDispatch::reachesTheSourceView()
{
    QFETCH(bool, closeTag);
    QFETCH(QString, result);
    RVTagPtr tag = emphasis();
    if (!closeTag) {
        tag->setOpenTag(QStringLiteral("img"));
        tag->setCloseTag(false);
        tag->setAttributes(
            RVAttributeList{RVAttribute::create(QStringLiteral("src"), QStringLiteral("%*"))});
    }
    m_source->setString(QStringLiteral("some text"));
    m_source->setFocus();
    QTextCursor cursor = m_source->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    m_source->setTextCursor(cursor);
    CustomTagDispatch::tagClickAction(*tag, m_window.get());
    QCOMPARE(m_source->shownText(), result);
    QVERIFY(m_rich->applied.isEmpty());
}

void tst_CustomTagDispatch::withoutAnEditorNothingHappens()
{
    m_title->setFocus();
    QCOMPARE(CustomTagDispatch::focusedEditor(m_window.get()), nullptr);
    CustomTagDispatch::tagClickAction(*emphasis(), m_button);
    QVERIFY(m_rich->applied.isEmpty());
    CustomTagDispatch::tagClickAction(*emphasis(), nullptr);
    QVERIFY(m_rich->applied.isEmpty());
}

void tst_CustomTagDispatch::unusableTagDoesNothing()
{
    m_rich->view()->setFocus();
    QTRY_VERIFY(CustomTagDispatch::focusedEditor(m_window.get()));
    RVTagPtr tag = emphasis();
    tag->setOpenTag(QString());
    CustomTagDispatch::tagClickAction(*tag, m_button);
    tag->setCustom(true);
    CustomTagDispatch::tagClickAction(*tag, m_button);
    QVERIFY(m_rich->applied.isEmpty());
}

void tst_CustomTagDispatch::menuItemsFollowTheFocus()
{
    QTemporaryDir dir;
    RVTagTool store(dir.filePath(QStringLiteral("customtags.plist")));
    store.setCustomTags({emphasis()});
    QMenu menu;
    store.loadUI(&menu);
    QAction* item = menu.actions().first();

    m_title->setFocus();
    emit menu.aboutToShow();
    QVERIFY(!item->isEnabled());

    // The focus moving into an editor is enough: a disabled item would
    // swallow its shortcut until the menu opened again.
    m_source->setString(QStringLiteral("x"));
    m_source->setFocus();
    QTRY_VERIFY(item->isEnabled());
    item->trigger();
    QCOMPARE(m_source->shownText(), QStringLiteral("<em></em>x"));
    m_title->setFocus();
    QTRY_VERIFY(!item->isEnabled());
    emit menu.aboutToShow();
    QVERIFY(!item->isEnabled());
}

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    tst_CustomTagDispatch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_customtagdispatch.moc"
