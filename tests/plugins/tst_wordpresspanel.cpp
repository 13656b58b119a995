#include "PLUMETDraftPanel.h"
#include "PluginManager.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

// The WordPress draft panel, made by the loaded bundle as a draft window makes
// it, edited as a user would, with every write-back recorded.
class tst_WordpressPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void showsStoredValues();
    void clearingTheSlugRemovesIt();
    void privateFieldsAreHiddenAndNotWrittenBack();
    void fieldWithoutIdStaysWithoutId();
    void pageFieldsOnlyForPages();
    void disposedPanelWritesNothing();

private:
    std::unique_ptr<PLUMETDraftPanel> panel(const QVariantMap& settings);
    template <class T> T* child(PLUMETDraftPanel& p, const char* name)
    {
        return p.view()->findChild<T*>(QString::fromLatin1(name));
    }

    PluginManager m_manager;
    QList<QVariantMap> m_writes;
};

void tst_WordpressPanel::initTestCase()
{
    m_manager.setUserFolder(QString());
    m_manager.loadPlugins();
    QVERIFY(m_manager.pluginForKey("Wordpress"));
    QVERIFY(!m_manager.pluginForKey("MetaWeblog")->draftPluginView({}, {}));
}

std::unique_ptr<PLUMETDraftPanel> tst_WordpressPanel::panel(const QVariantMap& settings)
{
    m_writes.clear();
    auto made = m_manager.pluginForKey("Wordpress")
                    ->draftPluginView(settings, [this](const QVariantMap& s) { m_writes << s; });
    made->view()->show();
    return made;
}

void tst_WordpressPanel::showsStoredValues()
{
    auto p = panel({{"wp_slug", "my-slug"}, {"wp_password", "pw"}, {"wp_page_order", 4}});
    QCOMPARE(p->minimumHeight(), 180.0);
    QCOMPARE(child<QLineEdit>(*p, "slugField")->text(), QStringLiteral("my-slug"));
    QCOMPARE(child<QLineEdit>(*p, "passwordField")->text(), QStringLiteral("pw"));
    QCOMPARE(child<QLineEdit>(*p, "orderField")->text(), QStringLiteral("4"));
    QVERIFY(m_writes.isEmpty()); // showing is not editing
}

void tst_WordpressPanel::clearingTheSlugRemovesIt()
{
    auto p = panel({{"wp_slug", "my-slug"}, {"other", "kept"}});
    QLineEdit* slug = child<QLineEdit>(*p, "slugField");
    slug->selectAll();
    QTest::keyClick(slug, Qt::Key_Backspace);
    QVERIFY(!m_writes.isEmpty());
    QCOMPARE(m_writes.last(), (QVariantMap{{"other", "kept"}}));
    QTest::keyClicks(slug, "new");
    QCOMPARE(m_writes.last().value("wp_slug").toString(), QStringLiteral("new"));
    QCOMPARE(p->settings(), m_writes.last());
}

void tst_WordpressPanel::privateFieldsAreHiddenAndNotWrittenBack()
{
    const QVariantList fields{
        QVariantMap{{"id", "1"}, {"key", "_edit_lock"}, {"value", "123"}},
        QVariantMap{{"id", "2"}, {"key", "mood"}, {"value", "happy"}},
    };
    auto p = panel({{"custom_fields", fields}});
    auto* table = child<QTableWidget>(*p, "customFieldsTable");
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("mood"));

    table->item(0, 1)->setText("sad");
    QCOMPARE(m_writes.last().value("custom_fields").toList(),
             (QVariantList{QVariantMap{{"id", "2"}, {"key", "mood"}, {"value", "sad"}}}));
}

void tst_WordpressPanel::fieldWithoutIdStaysWithoutId()
{
    auto p = panel(
        {{"custom_fields", QVariantList{QVariantMap{{"id", ""}, {"key", "k"}, {"value", "v"}}}}});
    auto* table = child<QTableWidget>(*p, "customFieldsTable");
    table->item(0, 1)->setText("w");
    QCOMPARE(m_writes.last().value("custom_fields").toList(),
             (QVariantList{QVariantMap{{"key", "k"}, {"value", "w"}}}));

    // A new row becomes a field without id once it has text.
    child<QPushButton>(*p, "addFieldButton")->click();
    QCOMPARE(table->rowCount(), 2);
    table->setItem(1, 0, new QTableWidgetItem("added"));
    QCOMPARE(m_writes.last().value("custom_fields").toList().size(), 2);
    QCOMPARE(m_writes.last().value("custom_fields").toList().at(1),
             QVariant(QVariantMap{{"key", "added"}}));
}

void tst_WordpressPanel::pageFieldsOnlyForPages()
{
    auto p = panel({});
    QLineEdit* parent = child<QLineEdit>(*p, "parentField");
    QVERIFY(!parent->isVisible());
    p->setIsPage(true);
    QVERIFY(parent->isVisible());
    QTest::keyClicks(parent, "12");
    QCOMPARE(m_writes.last().value("wp_page_parent_id"), QVariant(12));
    QTest::keyClicks(parent, "x"); // refused by the validator
    QCOMPARE(m_writes.last().value("wp_page_parent_id"), QVariant(12));
    parent->selectAll();
    QTest::keyClick(parent, Qt::Key_Delete);
    QVERIFY(!m_writes.last().contains("wp_page_parent_id"));
    QVERIFY(!m_writes.last().contains("isPage"));
}

void tst_WordpressPanel::disposedPanelWritesNothing()
{
    auto p = panel({});
    p->willDispose(nullptr);
    QTest::keyClicks(child<QLineEdit>(*p, "slugField"), "late");
    QVERIFY(m_writes.isEmpty());
}

QTEST_MAIN(tst_WordpressPanel)
#include "tst_wordpresspanel.moc"
