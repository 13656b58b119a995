// The coordinator of one draft window: makes its parts, runs the commit, and answers for them.
#include "Draft.h"

#include "Blog.h"
#include "DraftActions.h"
#include "DraftAddons.h"
#include "DraftAttachments.h"
#include "DraftBlogMenu.h"
#include "DraftBlogSetup.h"
#include "DraftCategories.h"
#include "DraftEditing.h"
#include "DraftEditors.h"
#include "DraftEntryWatch.h"
#include "DraftExtensions.h"
#include "DraftFields.h"
#include "DraftFocus.h"
#include "DraftPaneStack.h"
#include "DraftPanels.h"
#include "DraftRevisions.h"
#include "DraftSaving.h"
#include "DraftSheets.h"
#include "DraftWindowLayout.h"
#include "Entry.h"
#include "EntryOwner.h"
#include "Localization.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "RVDraftWindow.h"
#include "Template.h"

#include <QMenu>
#include <QMessageBox>

using namespace DraftFields;

// --- creation
// -----------------------------------------------------------------------------------------

Draft::Draft(const EntryPtr& entry, const QString& restorePosition, QObject* parent)
    : QObject(parent), m_entry(entry), m_topLeft(parsePosition(restorePosition)),
      m_blogSetup(std::make_unique<DraftBlogSetup>(*this)),
      m_layout(std::make_unique<DraftWindowLayout>(*this)),
      m_sheets(std::make_unique<DraftSheets>(*this)), m_focus(std::make_unique<DraftFocus>(*this)),
      m_addons(std::make_unique<DraftAddons>(*this)),
      m_actions(std::make_unique<DraftActions>(*this)),
      m_attachments(std::make_unique<DraftAttachments>(*this)),
      m_editors(std::make_unique<DraftEditors>(*this)),
      m_saving(std::make_unique<DraftSaving>(*this)),
      m_entryWatch(std::make_unique<DraftEntryWatch>(*this)),
      m_editing(std::make_unique<DraftEditing>(*this)),
      m_panels(std::make_unique<DraftPanels>(*this)),
      m_categories(std::make_unique<DraftCategories>(*this)),
      m_blogMenu(std::make_unique<DraftBlogMenu>(*this))
{
    Q_ASSERT(entry);
    renewCopy();
    m_attachments->readFromEntry(*entry);

    m_committer = new EditorCommitter([this] { return m_editors->commitReaders(); }, this);
    connect(m_committer, &EditorCommitter::fellBack, this, &Draft::editorFellBack);

    m_revisions = new DraftRevisions(this);
    m_layout->build();
    m_categories->build();
    m_blogMenu->build(m_layout->blogButton(), m_layout->formatPopup());
    m_actions->build();
    connect(m_revisions, &DraftRevisions::changed, this,
            [this] { m_editing->rebuildRevisionMenu(); });
    connect(m_revisions, &DraftRevisions::fileMovedAside, this, &Draft::showNotice);
    m_revisions->follow(*entry);
    m_blogSetup->readBlogState();
    m_blogSetup->setUpPluginPanel();
    m_blogSetup->configureTitleArea();
    m_blogSetup->setUpPaneStack();
    m_categories->initCategories();
    m_blogMenu->setupBlogMenu();
    if (blog())
        m_editors->setSpellingLanguage(blog()->language());

    m_mode = (entry->editMode() != 0 || !richEditorsAvailable()) ? SourceMode : RichMode;
    m_layout->showTabs();
    m_layout->updateButtons();
    m_editors->loadContent();
    m_entryWatch->watchEntry();
    observeNotifications();
    m_layout->updateWindowTitle();
    m_actions->validate();
}

Draft::~Draft()
{
    m_committer->stop();
    if (!m_closed)
        close();
    // The add-on side lets its objects go while the window they showed in stands.
    m_addons->releaseHandler();
    delete m_layout->window();
}

QPointF Draft::parsePosition(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 2)
        return {};
    bool xOk = false, yOk = false;
    const double x = parts[0].toDouble(&xOk);
    const double y = parts[1].toDouble(&yOk);
    return xOk && yOk ? QPointF(x, y) : QPointF();
}

Blog* Draft::blog() const
{
    return dynamic_cast<Blog*>(owner());
}

EntryOwner* Draft::owner() const
{
    const EntryPtr edited = entry();
    return edited ? edited->parentBlog() : nullptr;
}

// --- what shows, and the parts that show it
// -----------------------------------------------------------

bool Draft::canUseRichEditor() const
{
    return m_blogSetup->canUseRichEditor();
}

PLUMETDraftPanel* Draft::pluginObject() const
{
    return m_blogSetup->pluginObject();
}

bool Draft::richEditorsAvailable() const
{
    return m_editors->richEditorsAvailable();
}

int Draft::paneCode() const
{
    const EntryPtr edited = entry();
    return edited ? edited->hasSummaryAndExtended() : 0;
}

DraftEditor* Draft::editor(int mode, bool sub) const
{
    return m_editors->editor(mode, sub);
}

void Draft::validateActions()
{
    m_actions->validate();
}

DraftEditor* Draft::focusedEditor() const
{
    return m_focus->focusedEditor();
}

bool Draft::isActiveView(QWidget* view) const
{
    return m_focus->isActiveView(view);
}

RVDraftWindow* Draft::window() const
{
    return m_layout->window();
}

void Draft::showNotice(const QString& text)
{
    m_layout->showNotice(text);
}

QMessageBox* Draft::sheet() const
{
    return m_sheets->sheet();
}

void Draft::showSheet(QMessageBox* sheet, std::function<void(QAbstractButton* chosen)> ended)
{
    m_sheets->showSheet(sheet, std::move(ended));
}

void Draft::showWindow(const QList<Draft*>& others)
{
    m_layout->showWindow(others);
}

// --- the commit protocol
// ------------------------------------------------------------------------------

void Draft::commit(const QString& road, EditorCommitter::Continuation then)
{
    if (m_closed)
        return;
    m_committer->run(road, [this, then = std::move(then)](const EditorCommitter::Result& result) {
        // A road may close the draft; the panels follow only a draft that stays.
        QPointer<Draft> self(this);
        if (then)
            then(result);
        if (self && !m_closed)
            m_panels->entryCommitted();
    });
}

void Draft::commitThen(const QString& road, std::function<void()> then)
{
    commit(road, [this, then = std::move(then)](const EditorCommitter::Result& result) {
        saveToEntry(result);
        if (then)
            then();
    });
}

void Draft::saveToEntry(const EditorCommitter::Result& result)
{
    const EntryPtr edited = entry();
    if (!edited)
        return;
    // The entry as it was before this commit.
    m_revisions->take(*edited);
    for (auto it = result.texts.cbegin(); it != result.texts.cend(); ++it)
        setEntryField(*edited, it.key(), it.value());
    m_categories->saveSelectedCategories(*edited);
}

void Draft::editorFellBack(const QString& road, const QStringList& keys)
{
    Q_UNUSED(road);
    Q_UNUSED(keys);
    // Once the note shows, the user knows: closing goes through from then on.
    if (!m_layout->noticeShown())
        m_fallbackUnacknowledged = true;
    showNotice(localized("Draft", "The rich editor did not hand over its text in time, or it "
                                  "stopped working. The draft went on with the text the editor "
                                  "last passed on; anything typed after that may be missing."));
}

bool Draft::holdForFallback()
{
    if (!m_fallbackUnacknowledged)
        return false;
    m_fallbackUnacknowledged = false;
    showNotice(localized("Draft",
                         "The rich editor did not hand over its text in time, or it stopped "
                         "working. The draft went on with the text the editor last passed on; "
                         "anything typed after that may be missing. Check the text, then try "
                         "again."));
    if (window()) {
        window()->show();
        window()->raise();
    }
    return true;
}

void Draft::handleErrorMessage(const QString& title, const QString& body)
{
    m_sheets->showAlert(title, body, QMessageBox::Critical);
}

// --- editing
// ------------------------------------------------------------------------------------------

void Draft::switchEditor(std::optional<int> buttonTag)
{
    m_editors->switchEditor(buttonTag);
}

void Draft::toggleExtraEdit(int tag)
{
    m_editing->toggleExtraEdit(tag);
}

void Draft::createSummary()
{
    m_editing->createSummary();
}

void Draft::refreshSource()
{
    m_editing->refreshSource();
}

void Draft::reloadEntry()
{
    m_editing->reloadEntry();
}

void Draft::revertDocumentToSaved()
{
    m_editing->revertDocumentToSaved();
}

void Draft::revertToRevision(const QVariantMap& revision)
{
    m_editing->revertToRevision(revision);
}

void Draft::toggleKeywords()
{
    m_blogSetup->toggleKeywords();
}

void Draft::toggleBloglist()
{
    m_blogSetup->toggleBloglist();
}

void Draft::requestPreviewRefresh()
{
    commitThen(QStringLiteral("preview"), [this] {
        NotificationCenter::sharedInstance().post(QStringLiteral("refreshPreview"), this);
    });
}

void Draft::publish()
{
    if (!DraftExtensions::sharedInstance().publish)
        return;
    commitThen(QStringLiteral("publish"), [this] {
        const bool changed = m_saving->compareWithCopy();
        // The window closes as the post goes: after an editor fell back the
        // user checks the text first, as when closing.
        if (holdForFallback()) {
            if (changed && saveToDisk())
                renewCopy();
            return;
        }
        if (DraftExtensions::sharedInstance().publish)
            DraftExtensions::sharedInstance().publish(*this);
    });
}

void Draft::saveAsStationery()
{
    if (!DraftExtensions::sharedInstance().saveAsStationery)
        return;
    commitThen(QStringLiteral("stationery"), [this] {
        if (DraftExtensions::sharedInstance().saveAsStationery)
            DraftExtensions::sharedInstance().saveAsStationery(*this);
    });
}

// --- add-ons
// ------------------------------------------------------------------------------------------

void Draft::callAddon(const QString& addonKey, const QString& subaction)
{
    m_addons->callAddon(addonKey, subaction);
}

DraftAddonHandler* Draft::addonHandler() const
{
    return m_addons->handler();
}

QMenu* Draft::addonMenu() const
{
    return m_addons->menu();
}

// --- saving and closing
// -------------------------------------------------------------------------------

void Draft::determineIfSaveIsNeeded(std::function<void(bool needed)> answer)
{
    m_saving->determineIfSaveIsNeeded(std::move(answer));
}

EntryPtr Draft::savedCopy() const
{
    return m_saving->savedCopy();
}

bool Draft::needsSave() const
{
    return m_saving->needsSave();
}

bool Draft::saveToDisk()
{
    return m_saving->saveToDisk();
}

bool Draft::writeEntry()
{
    return m_saving->writeEntry();
}

void Draft::renewCopy()
{
    m_saving->renewCopy();
}

void Draft::saveDocument()
{
    m_saving->saveDocument();
}

void Draft::saveDocumentAs()
{
    m_saving->saveDocumentAs();
}

bool Draft::windowShouldClose()
{
    return m_saving->windowShouldClose();
}

void Draft::save()
{
    m_saving->save();
}

void Draft::askToSave(std::function<void(bool goOn)> reviewStep)
{
    m_saving->askToSave(std::move(reviewStep));
}

void Draft::saveIfNeeded(std::function<void()> done)
{
    m_saving->saveIfNeeded(std::move(done));
}

void Draft::forceClose(std::function<void()> done)
{
    m_saving->forceClose(std::move(done));
}

void Draft::commitForQuit(std::function<void(bool needed)> done)
{
    m_saving->commitForQuit(std::move(done));
}

void Draft::close()
{
    m_saving->tearDown();
}

// --- window delegate
// ----------------------------------------------------------------------------------

void Draft::windowDidBecomeKey()
{
    emit activated(this);
}

// --- the side panel: categories and tags
// --------------------------------------------------------------

void Draft::setSidePanelContent(QWidget* content)
{
    m_layout->setSidePanelContent(content, shouldDisplaySidebar());
}

bool Draft::shouldDisplaySidebar() const
{
    const EntryPtr edited = entry();
    return edited && !edited->hasFlag(Entry::IsPage);
}

void Draft::switchAccount(Blog* target)
{
    m_blogMenu->switchAccount(target);
}

// --- notifications
// ------------------------------------------------------------------------------------

void Draft::observeNotifications()
{
    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.observe(QStringLiteral("styleChanged"), this,
                   [this](const Notification&) { refreshSource(); });
    center.observe(
        QStringLiteral("dividerDidCollapse"), this,
        [this](const Notification&) {
            if (Blog* owning = blog())
                owning->setOption(QStringLiteral("showExtraEdit"),
                                  m_layout->paneStack()->isCollapsed());
        },
        m_layout->paneStack());
    // Attachment presets follow here once their part is built.
    center.observe(QString::fromLatin1(ModelNotifications::categoriesRefreshed), this,
                   [this](const Notification& notification) {
                       m_categories->categoriesRefreshed(
                           qobject_cast<Blog*>(notification.object.data()));
                   });
    center.observe(QStringLiteral("forceReload"), this, [this](const Notification&) {
        m_blogSetup->configureTitleArea();
        m_blogMenu->setupBlogMenu();
    });
}

// --- DraftEditorHost
// ----------------------------------------------------------------------------------

Entry* Draft::entryBeingEdited()
{
    return entry().get();
}

AttachmentPtr Draft::attachmentForKey(const QString& attachmentKey)
{
    return m_attachments->attachmentForKey(attachmentKey);
}

QList<AttachmentPtr> Draft::allAttachments()
{
    return m_attachments->allAttachments();
}

void Draft::addAttachment(const AttachmentPtr& attachment, bool temporary)
{
    m_attachments->addAttachment(attachment, temporary);
}

bool Draft::isTemporaryAttachment(const QString& attachmentKey)
{
    return m_attachments->isTemporaryAttachment(attachmentKey);
}

void Draft::removeTemporaryAttachment(const QString& attachmentKey)
{
    m_attachments->removeTemporaryAttachment(attachmentKey);
}

const Template* Draft::htmlTemplate()
{
    Blog* owning = blog();
    return owning ? owning->htmlTemplate().get() : nullptr;
}

const Template* Draft::imageTemplate()
{
    Blog* owning = blog();
    return owning ? owning->linkTemplate().get() : nullptr;
}

void Draft::displayAttachmentSheet(const QString& attachmentKey)
{
    m_attachments->displayAttachmentSheet(attachmentKey);
}

bool Draft::canDisplayAttachmentSheet() const
{
    return m_attachments->canDisplayAttachmentSheet();
}

void Draft::insertURLWithClipboard()
{
    m_actions->insertURLWithClipboard();
}

void Draft::insertImageWithClipboard()
{
    m_actions->insertImageWithClipboard();
}

bool Draft::canInsertWithClipboard() const
{
    return m_actions->canInsertWithClipboard();
}
