#include "ImageAttachment.h"
#include "ManagePresetsDialog.h"
#include "MovieAttachment.h"
#include "NewPresetDialog.h"
#include "NotificationCenter.h"
#include "PresetMenu.h"
#include "Presets.h"
#include "ScreenshotSaver.h"
#include "TestSupport.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace plumet::test;

namespace {

std::shared_ptr<ImageAttachment> image(int thumbHeight = 100)
{
    auto made = std::make_shared<ImageAttachment>();
    made->setFilePath(testDataPath(QStringLiteral("model/dot.png")));
    made->setThumbCreate(true);
    made->setThumbHeight(thumbHeight);
    return made;
}

std::shared_ptr<MovieAttachment> movie(bool autoplay = false)
{
    auto made = std::make_shared<MovieAttachment>();
    made->setFilePath(QStringLiteral("/nowhere/clip.mov"));
    made->setMoviePlayAutomatically(autoplay);
    return made;
}

QStringList texts(const QList<QAction*>& items)
{
    QStringList result;
    for (const QAction* item : items)
        result.append(item->isSeparator() ? QStringLiteral("---") : item->text());
    return result;
}

QString lastUsed()
{
    return UserDefaults::sharedInstance()
        .value(QString::fromLatin1(Presets::LastUsedPresetKey))
        .toString();
}

} // namespace

// The preset pull-down: its four fixed items around the presets in key order,
// rebuilt on "presetsChanged", enabled by the selection's kind, applying by
// kind, and opening the two dialogs over its window.
class tst_PresetMenu : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void emptyStoreKeepsTheFourFixedItems();
    void presetsInKeyOrderRebuiltOnChange();
    void ampersandInANameIsShown();
    void validation_data();
    void validation();
    void applyToTheSelectionByKind();
    void applyToOneAttachmentOnlyOfItsKind();
    void dialogsOpenOverTheWindow();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Presets> m_store;
    std::unique_ptr<QWidget> m_window;
};

void tst_PresetMenu::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<Presets>(m_dir->filePath(QStringLiteral("presets.plist")));
    m_window = std::make_unique<QWidget>();
    m_window->resize(320, 200);
    UserDefaults::sharedInstance().setValue(QString::fromLatin1(Presets::LastUsedPresetKey),
                                            QVariant());
}

void tst_PresetMenu::cleanup()
{
    m_window.reset();
    m_store.reset();
    m_dir.reset();
}

void tst_PresetMenu::emptyStoreKeepsTheFourFixedItems()
{
    PresetMenu presets(*m_store, PresetMenu::Scope::Selection, m_window.get());
    const QList<QAction*> items = presets.menu()->actions();
    QCOMPARE(texts(items),
             (QStringList{"Presets", "---", "New Preset\u2026", "Manage Presets\u2026"}));
    // The title is the button's, not a line of the list.
    QVERIFY(!presets.titleItem()->isVisible());
    QVERIFY(presets.presetItems().isEmpty());
    QCOMPARE(presets.newPresetItem()->text(), QStringLiteral("New Preset\u2026"));
    QCOMPARE(presets.managePresetsItem()->text(), QStringLiteral("Manage Presets\u2026"));
    QToolButton button(m_window.get());
    presets.attachTo(&button);
    QCOMPARE(button.text(), QStringLiteral("Presets"));
    QCOMPARE(button.menu(), presets.menu());
    QCOMPARE(button.popupMode(), QToolButton::InstantPopup);
}

void tst_PresetMenu::presetsInKeyOrderRebuiltOnChange()
{
    PresetMenu presets(*m_store, PresetMenu::Scope::Selection, m_window.get());
    m_store->addPreset(QStringLiteral("web"), *image());
    m_store->addPreset(QStringLiteral("Banner"), *image());
    m_store->addPreset(QStringLiteral("autoplay"), *movie());
    // Nothing changes before the store tells.
    QVERIFY(presets.presetItems().isEmpty());
    NotificationCenter::sharedInstance().post(QStringLiteral("presetsChanged"));
    QCOMPARE(texts(presets.menu()->actions()),
             (QStringList{"Presets", "autoplay", "Banner", "web", "---", "New Preset\u2026",
                          "Manage Presets\u2026"}));
    for (QAction* item : presets.presetItems())
        QVERIFY(!item->isChecked());

    // Again and again: never an item twice.
    presets.rebuild();
    presets.rebuild();
    QCOMPARE(presets.presetItems().size(), 3);
    m_store->removePreset(m_store->indexOf(QStringLiteral("Banner")));
    m_store->dialogEnded();
    QCOMPARE(texts(presets.presetItems()), (QStringList{"autoplay", "web"}));
    m_store->setPresets({});
    m_store->dialogEnded();
    QCOMPARE(presets.menu()->actions().size(), 4);

    // The menu as the user sees it.
    m_store->addPreset(QStringLiteral("Web 480"), *image());
    m_store->addPreset(QStringLiteral("Loop"), *movie());
    m_store->addPreset(QStringLiteral("Print"), *image());
    m_store->dialogEnded();
    const auto photo = image();
    presets.setSelectionSource([photo] { return QList<AttachmentPtr>{photo}; });
    auto* layout = new QVBoxLayout(m_window.get());
    auto* button = new QToolButton(m_window.get());
    layout->addWidget(button);
    layout->addStretch();
    presets.attachTo(button);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    presets.menu()->popup(button->mapToGlobal(QPoint(0, button->height())));
    QVERIFY(QTest::qWaitForWindowExposed(presets.menu()));
    saveScreenshot(presets.menu(), QStringLiteral("preset-menu"));
    presets.menu()->hide();
}

void tst_PresetMenu::ampersandInANameIsShown()
{
    PresetMenu presets(*m_store, PresetMenu::Scope::Selection, m_window.get());
    m_store->addPreset(QStringLiteral("B&W"), *image(120));
    presets.rebuild();
    QAction* item = presets.presetItems().value(0);
    QVERIFY(item);
    QCOMPARE(item->text(), QStringLiteral("B&&W"));
    QCOMPARE(PresetMenu::presetName(item), QStringLiteral("B&W"));
    const auto photo = image();
    presets.setSelectionSource([photo] { return QList<AttachmentPtr>{photo}; });
    presets.validate();
    QVERIFY(item->isEnabled());
    item->trigger();
    QCOMPARE(photo->thumbHeight(), 120);
    QCOMPARE(lastUsed(), QStringLiteral("B&W"));
}

void tst_PresetMenu::validation_data()
{
    QTest::addColumn<QString>("selected"); // i image, m movie, f plain file
    QTest::addColumn<bool>("newPreset");
    QTest::addColumn<bool>("imagePreset");
    QTest::addColumn<bool>("moviePreset");
    QTest::newRow("nothing") << "" << false << false << false;
    QTest::newRow("an image") << "i" << true << true << false;
    QTest::newRow("a movie") << "m" << true << false << true;
    QTest::newRow("a plain file") << "f" << false << false << false;
    QTest::newRow("image first, then a movie") << "im" << true << true << false;
    QTest::newRow("movie first, then an image") << "mi" << true << false << true;
    QTest::newRow("a plain file first") << "fi" << false << false << false;
}

void tst_PresetMenu::validation()
{
    QFETCH(QString, selected);
    QFETCH(bool, newPreset);
    QFETCH(bool, imagePreset);
    QFETCH(bool, moviePreset);
    m_store->addPreset(QStringLiteral("Still"), *image());
    m_store->addPreset(QStringLiteral("Clip"), *movie());
    PresetMenu presets(*m_store, PresetMenu::Scope::Selection, m_window.get());
    QList<AttachmentPtr> selection;
    for (QChar kind : selected) {
        if (kind == u'i')
            selection.append(image());
        else if (kind == u'm')
            selection.append(movie());
        else
            selection.append(std::make_shared<Attachment>());
    }
    presets.setSelectionSource([selection] { return selection; });
    // Checked as the menu opens.
    emit presets.menu()->aboutToShow();
    QCOMPARE(texts(presets.presetItems()), (QStringList{"Clip", "Still"}));
    QCOMPARE(presets.newPresetItem()->isEnabled(), newPreset);
    QCOMPARE(presets.presetItems().at(1)->isEnabled(), imagePreset);
    QCOMPARE(presets.presetItems().at(0)->isEnabled(), moviePreset);
    QVERIFY(presets.managePresetsItem()->isEnabled());

    // A preset that went since the menu was built is no longer offered.
    m_store->removePreset(m_store->indexOf(QStringLiteral("Still")));
    presets.validate();
    QVERIFY(!presets.presetItems().at(1)->isEnabled());
}

void tst_PresetMenu::applyToTheSelectionByKind()
{
    m_store->addPreset(QStringLiteral("Tall"), *image(240));
    PresetMenu presets(*m_store, PresetMenu::Scope::Selection, m_window.get());
    const auto photo = image();
    const auto clip = movie();
    const auto second = image(90);
    presets.setSelectionSource([=] { return QList<AttachmentPtr>{photo, clip, second}; });
    QSignalSpy applied(&presets, &PresetMenu::presetApplied);
    presets.validate();
    QSignalSpy clipChanges(clip.get(), &ModelRecord::valueChanged);
    presets.presetItems().first()->trigger();
    QCOMPARE(photo->thumbHeight(), 240);
    QCOMPARE(second->thumbHeight(), 240);
    QVERIFY(clipChanges.isEmpty());
    QCOMPARE(lastUsed(), QStringLiteral("Tall"));
    QCOMPARE(applied.size(), 1);
    QCOMPARE(applied.first().at(1).toInt(), 2);
}

void tst_PresetMenu::applyToOneAttachmentOnlyOfItsKind()
{
    m_store->addPreset(QStringLiteral("Loop"), *movie(true));
    m_store->addPreset(QStringLiteral("Tall"), *image(240));
    PresetMenu presets(*m_store, PresetMenu::Scope::OneAttachment, m_window.get());
    AttachmentPtr shown = image();
    presets.setSelectionSource([&shown] { return QList<AttachmentPtr>{shown}; });
    QSignalSpy applied(&presets, &PresetMenu::presetApplied);
    presets.validate();
    // "Loop" first in key order: a movie preset, not for a picture.
    presets.presetItems().at(0)->trigger();
    QVERIFY(applied.isEmpty());
    QVERIFY(lastUsed().isEmpty());
    presets.presetItems().at(1)->trigger();
    QCOMPARE(std::static_pointer_cast<MediaAttachment>(shown)->thumbHeight(), 240);
    QCOMPARE(lastUsed(), QStringLiteral("Tall"));

    shown = movie(false);
    presets.validate();
    presets.presetItems().at(0)->trigger();
    QCOMPARE(std::static_pointer_cast<MovieAttachment>(shown)->moviePlayAutomatically(),
             std::optional<bool>(true));
    QCOMPARE(lastUsed(), QStringLiteral("Loop"));
    QCOMPARE(applied.size(), 2);
}

void tst_PresetMenu::dialogsOpenOverTheWindow()
{
    auto* child = new QWidget(m_window.get());
    PresetMenu presets(*m_store, PresetMenu::Scope::Selection, child);
    const auto photo = image(140);
    presets.setSelectionSource([photo] { return QList<AttachmentPtr>{photo}; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    presets.validate();
    presets.newPresetItem()->trigger();
    auto* create = m_window->findChild<NewPresetDialog*>();
    QVERIFY(create);
    QCOMPARE(create->parentWidget(), m_window.get());
    QCOMPARE(create->windowModality(), Qt::WindowModal);
    QTRY_VERIFY(create->isVisible());
    create->setName(QStringLiteral("Tall"));
    create->accept();
    // The dialog's end rebuilt the menu through "presetsChanged".
    QCOMPARE(texts(presets.presetItems()), QStringList{"Tall"});
    QCOMPARE(m_store->presetForKey(QStringLiteral("Tall"))->thumbHeight(), 140);

    presets.managePresetsItem()->trigger();
    auto* manage = m_window->findChild<ManagePresetsDialog*>();
    QVERIFY(manage);
    QCOMPARE(manage->windowModality(), Qt::WindowModal);
    manage->reject();
    QTRY_VERIFY(!m_window->findChild<ManagePresetsDialog*>());

    // No image or movie selected: no dialog.
    QTRY_VERIFY(!m_window->findChild<NewPresetDialog*>());
    presets.setSelectionSource([] { return QList<AttachmentPtr>{std::make_shared<Attachment>()}; });
    presets.validate();
    QVERIFY(!presets.newPresetItem()->isEnabled());
    presets.newPresetItem()->setEnabled(true); // even so
    presets.newPresetItem()->trigger();
    QVERIFY(!m_window->findChild<NewPresetDialog*>());
}

QTEST_MAIN(tst_PresetMenu)
#include "tst_presetmenu.moc"
