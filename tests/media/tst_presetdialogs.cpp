#include "ImageAttachment.h"
#include "ManagePresetsDialog.h"
#include "MovieAttachment.h"
#include "NewPresetDialog.h"
#include "NotificationCenter.h"
#include "PresetListModel.h"
#include "Presets.h"
#include "ScreenshotSaver.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

namespace {

std::shared_ptr<ImageAttachment> image(int thumbHeight)
{
    auto made = std::make_shared<ImageAttachment>();
    made->setFilePath(testDataPath(QStringLiteral("model/dot.png")));
    made->setThumbCreate(true);
    made->setThumbHeight(thumbHeight);
    return made;
}

QStringList names(const Presets& store)
{
    QStringList result;
    for (const MediaAttachmentPtr& preset : store.presets())
        result.append(preset->uniqueID());
    return result;
}

template <class T> T* child(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

} // namespace

// The new-preset and manage-presets dialogs driven as a user would: typed
// names, refused names, Return, Cancel, renames in place and deletions; each
// dialog's end written at once and told with "presetsChanged".
class tst_PresetDialogs : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void newPresetIsSavedAndTold();
    void cancelStoresNothingButTells();
    void blankNameIsRefused_data();
    void blankNameIsRefused();
    void takenNameIsSaidAndReplaced();
    void attachmentGoneStoresNothing();
    void manageRenamesAndDeletes();
    void manageRefusesBlankAndTakenNames();
    void aFailedSaveIsSaidOverTheWindow();

private:
    int posted() const { return m_posted; }
    QString path() const { return m_dir->filePath(QStringLiteral("presets.plist")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Presets> m_store;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<QObject> m_observer;
    int m_posted = 0;
};

void tst_PresetDialogs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<Presets>(path());
    m_window = std::make_unique<QWidget>();
    m_window->setWindowTitle(QStringLiteral("Attachments"));
    m_window->resize(480, 320);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_posted = 0;
    m_observer = std::make_unique<QObject>();
    NotificationCenter::sharedInstance().observe(QStringLiteral("presetsChanged"), m_observer.get(),
                                                 [this](const Notification&) { ++m_posted; });
}

void tst_PresetDialogs::cleanup()
{
    m_observer.reset();
    m_window.reset();
    m_store.reset();
    m_dir.reset();
}

void tst_PresetDialogs::newPresetIsSavedAndTold()
{
    const auto photo = image(120);
    QPointer<NewPresetDialog> dialog = NewPresetDialog::start(*m_store, photo, m_window.get());
    QVERIFY(dialog);
    QCOMPARE(dialog->parentWidget(), m_window.get());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QTRY_VERIFY(dialog->isVisible());
    auto* field = child<QLineEdit>(dialog, "presetName");
    auto* save = child<QPushButton>(dialog, "saveButton");
    QVERIFY(field);
    QVERIFY(save);
    // The suggested name is selected, so typing replaces it.
    QCOMPARE(field->text(), QStringLiteral("Untitled"));
    QCOMPARE(field->selectedText(), QStringLiteral("Untitled"));
    QVERIFY(save->isEnabled());
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("Web 480"));
    QCOMPARE(dialog->name(), QStringLiteral("Web 480"));
    saveScreenshot(dialog, QStringLiteral("preset-new"));

    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(names(*m_store), QStringList{"Web 480"});
    QCOMPARE(m_store->presetForKey(QStringLiteral("Web 480"))->thumbHeight(), 120);
    QCOMPARE(posted(), 1);
    // Written already: a crash now loses nothing.
    QVERIFY(!m_store->hasUnsavedChanges());
    QCOMPARE(names(Presets(path())), QStringList{"Web 480"});
    QTRY_VERIFY(dialog.isNull());
}

void tst_PresetDialogs::cancelStoresNothingButTells()
{
    const auto photo = image(120);
    QPointer<NewPresetDialog> dialog = NewPresetDialog::start(*m_store, photo, m_window.get());
    QTRY_VERIFY(dialog->isVisible());
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(m_store->presets().isEmpty());
    QCOMPARE(posted(), 1);
    QVERIFY(!QFile::exists(path()));
    QTRY_VERIFY(dialog.isNull());
}

void tst_PresetDialogs::blankNameIsRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces") << "    ";
    QTest::newRow("tab") << "\t";
}

void tst_PresetDialogs::blankNameIsRefused()
{
    QFETCH(QString, typed);
    const auto photo = image(120);
    QPointer<NewPresetDialog> dialog = NewPresetDialog::start(*m_store, photo, m_window.get());
    QTRY_VERIFY(dialog->isVisible());
    auto* field = child<QLineEdit>(dialog, "presetName");
    auto* note = child<QLabel>(dialog, "nameNote");
    auto* save = child<QPushButton>(dialog, "saveButton");
    QVERIFY(note->isHidden());
    field->setText(typed);
    QVERIFY(!save->isEnabled());
    QVERIFY(!note->isHidden());
    QCOMPARE(note->text(), QStringLiteral("A preset needs a name."));
    if (typed.isEmpty())
        saveScreenshot(dialog, QStringLiteral("preset-new-blank"));
    // Return in the field does not save it either.
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(dialog->isVisible());
    QVERIFY(m_store->presets().isEmpty());
    QCOMPARE(posted(), 0);

    field->setText(QStringLiteral("Named"));
    QVERIFY(save->isEnabled());
    QVERIFY(note->isHidden());
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(names(*m_store), QStringList{"Named"});
    QCOMPARE(posted(), 1);
}

void tst_PresetDialogs::takenNameIsSaidAndReplaced()
{
    m_store->addPreset(QStringLiteral("Web"), *image(90));
    m_store->addPreset(QStringLiteral("Print"), *image(300));
    const auto photo = image(150);
    QPointer<NewPresetDialog> dialog = NewPresetDialog::start(*m_store, photo, m_window.get());
    QTRY_VERIFY(dialog->isVisible());
    auto* note = child<QLabel>(dialog, "nameNote");
    auto* save = child<QPushButton>(dialog, "saveButton");
    dialog->setName(QStringLiteral("Web "));
    QVERIFY(!note->isHidden());
    QCOMPARE(note->text(),
             QStringLiteral("A preset named \u201CWeb\u201D already exists; saving replaces it."));
    QCOMPARE(save->text(), QStringLiteral("Replace"));
    QVERIFY(save->isEnabled());
    saveScreenshot(dialog, QStringLiteral("preset-new-taken"));
    // Another case is another name.
    dialog->setName(QStringLiteral("web"));
    QVERIFY(note->isHidden());
    QCOMPARE(save->text(), QStringLiteral("Save"));

    dialog->setName(QStringLiteral("Web"));
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(names(*m_store), (QStringList{"Print", "Web"}));
    QCOMPARE(m_store->presetForKey(QStringLiteral("Web"))->thumbHeight(), 150);
    QCOMPARE(names(Presets(path())), (QStringList{"Print", "Web"}));
}

void tst_PresetDialogs::attachmentGoneStoresNothing()
{
    auto photo = image(120);
    QPointer<NewPresetDialog> dialog = NewPresetDialog::start(*m_store, photo, m_window.get());
    QTRY_VERIFY(dialog->isVisible());
    photo.reset();
    dialog->accept();
    QVERIFY(m_store->presets().isEmpty());
    QCOMPARE(posted(), 1);

    // Nor does a file that is neither picture nor movie.
    auto plain = std::make_shared<Attachment>();
    dialog = NewPresetDialog::start(*m_store, plain, m_window.get());
    dialog->accept();
    QVERIFY(m_store->presets().isEmpty());
    QCOMPARE(posted(), 2);
}

void tst_PresetDialogs::manageRenamesAndDeletes()
{
    m_store->addPreset(QStringLiteral("Web 480"), *image(120));
    auto clip = std::make_shared<MovieAttachment>();
    clip->setMoviePlayAutomatically(true);
    m_store->addPreset(QStringLiteral("Autoplay"), *clip);
    m_store->addPreset(QStringLiteral("Print"), *image(300));
    QVERIFY(m_store->savePresets());

    QPointer<ManagePresetsDialog> dialog = ManagePresetsDialog::start(*m_store, m_window.get());
    QCOMPARE(dialog->parentWidget(), m_window.get());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QTRY_VERIFY(dialog->isVisible());
    QAbstractItemModelTester tester(dialog->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QListView* list = dialog->list();
    auto* remove = child<QPushButton>(dialog, "deleteButton");
    QCOMPARE(dialog->model()->rowCount(), 3);
    QCOMPARE(dialog->model()->index(0).data().toString(), QStringLiteral("Web 480"));
    QCOMPARE(dialog->model()->index(2).data().toString(), QStringLiteral("Print"));
    QVERIFY(!remove->isEnabled());
    list->setCurrentIndex(dialog->model()->index(1));
    QVERIFY(remove->isEnabled());
    saveScreenshot(dialog, QStringLiteral("preset-manage"));

    // Renamed in place, as typed in the list's editor.
    list->edit(dialog->model()->index(2));
    auto* editor = list->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Print 300 dpi"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits the editor's text once back in the event loop.
    QTRY_COMPARE(names(*m_store), (QStringList{"Web 480", "Autoplay", "Print 300 dpi"}));
    QCOMPARE(m_store->presetForKey(QStringLiteral("Print 300 dpi"))->thumbHeight(), 300);

    // Deleted with the button, and with the Delete key.
    list->setCurrentIndex(dialog->model()->index(1));
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(names(*m_store), (QStringList{"Web 480", "Print 300 dpi"}));
    list->setFocus();
    list->setCurrentIndex(dialog->model()->index(0));
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(names(*m_store), QStringList{"Print 300 dpi"});
    // Nothing is written or told until the dialog ends.
    QCOMPARE(posted(), 0);
    QCOMPARE(Presets(path()).presets().size(), 3);

    // A name still being typed when the dialog closes (its close box, say)
    // is taken too.
    list->edit(dialog->model()->index(0));
    editor = list->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Print"));
    dialog->close();
    QCOMPARE(posted(), 1);
    QCOMPARE(names(Presets(path())), QStringList{"Print"});
    QTRY_VERIFY(dialog.isNull());
}

void tst_PresetDialogs::manageRefusesBlankAndTakenNames()
{
    m_store->addPreset(QStringLiteral("Web"), *image(120));
    m_store->addPreset(QStringLiteral("Print"), *image(300));
    QPointer<ManagePresetsDialog> dialog = ManagePresetsDialog::start(*m_store, m_window.get());
    QTRY_VERIFY(dialog->isVisible());
    PresetListModel* model = dialog->model();
    auto* note = child<QLabel>(dialog, "renameNote");
    QVERIFY(note->isHidden());

    const struct {
        const char* typed;
        const char* said;
    } refused[] = {
        {"Web", "A preset named \u201CWeb\u201D already exists."},
        {" Web  ", "A preset named \u201CWeb\u201D already exists."},
        {"", "A preset needs a name."},
        {"   ", "A preset needs a name."},
    };
    for (const auto& row : refused) {
        QVERIFY(!model->setData(model->index(1), QString::fromUtf8(row.typed)));
        QVERIFY(!note->isHidden());
        QCOMPARE(note->text(), QString::fromUtf8(row.said));
        QCOMPARE(names(*m_store), (QStringList{"Web", "Print"}));
    }
    saveScreenshot(dialog, QStringLiteral("preset-manage-refused"));
    // A good name clears the note; the other case of a name is another name.
    QVERIFY(model->setData(model->index(1), QStringLiteral("web")));
    QVERIFY(note->isHidden());
    QCOMPARE(names(*m_store), (QStringList{"Web", "web"}));
    dialog->accept();
    QCOMPARE(names(Presets(path())), (QStringList{"Web", "web"}));
}

void tst_PresetDialogs::aFailedSaveIsSaidOverTheWindow()
{
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Presets store(blocker + QStringLiteral("/presets.plist"));
    const auto photo = image(120);
    QPointer<NewPresetDialog> dialog = NewPresetDialog::start(store, photo, m_window.get());
    dialog->setName(QStringLiteral("Web"));
    dialog->accept();
    QMessageBox* alert = nullptr;
    QTRY_VERIFY((alert = m_window->findChild<QMessageBox*>()));
    QVERIFY2(
        alert->text().contains(QStringLiteral("The presets could not be saved")) ||
            alert->informativeText().contains(QStringLiteral("The presets could not be saved")),
        qPrintable(alert->text() + alert->informativeText()));
    QCOMPARE(posted(), 1);
    QVERIFY(store.hasUnsavedChanges());
}

QTEST_MAIN(tst_PresetDialogs)
#include "tst_presetdialogs.moc"
