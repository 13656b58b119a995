#include "EntryPreviewWindow.h"

#include "DraftRegistry.h"
#include "Entry.h"
#include "EntryPreview.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "WebContentView.h"

#include <QVBoxLayout>

namespace {

// The texts the preview template shows.
bool isShownKey(const QString& key)
{
    for (const char* shown : {"body", "extended", "title", "summary", "keywords", "categories",
                              "entryDate", "attachments"}) {
        if (key == QLatin1String(shown))
            return true;
    }
    return false;
}

} // namespace

EntryPreviewWindow::EntryPreviewWindow(QWidget* parent, Clock* clock)
    : QWidget(parent, Qt::Window), m_throttle(
                                       [this] {
                                           if (m_entry)
                                               previewEntry(m_entry);
                                       },
                                       clock)
{
    setObjectName(QStringLiteral("EntryPreviewWindow"));
    m_formatting = new PreviewFormatting(
        this, [this](Entry& entry, const QString& html) { showPage(entry, html); });
    setWindowTitle(localized("EntryArrayController", "Preview"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    resize(720, 640);

    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.observe(QStringLiteral("refreshPreview"), this, [this](const Notification& note) {
        DraftRegistry* drafts = DraftRegistry::sharedInstance();
        Entry* entry = drafts && note.object ? drafts->entryOfDraft(note.object) : nullptr;
        if (!entry)
            return;
        m_draft = note.object.data();
        // Shown beside the draft without taking its keys.
        setAttribute(Qt::WA_ShowWithoutActivating);
        QWidget::show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        previewEntry(entry);
    });
    center.observe(QStringLiteral("closePreview"), this,
                   [this](const Notification& note) { draftClosed(note.object.data()); });
}

EntryPreviewWindow::~EntryPreviewWindow()
{
    disconnect(m_watch);
}

Entry* EntryPreviewWindow::previewedEntry() const
{
    return m_entry.data();
}

void EntryPreviewWindow::preview(QObject* draft)
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    if (!draft || !drafts)
        return;
    QPointer<QObject> asked(draft);
    drafts->commitDraft(draft, [this, asked] {
        DraftRegistry* registry = DraftRegistry::sharedInstance();
        Entry* entry = asked && registry ? registry->entryOfDraft(asked) : nullptr;
        if (!entry)
            return;
        m_draft = asked.data();
        QWidget::show();
        raise();
        activateWindow();
        previewEntry(entry);
    });
}

void EntryPreviewWindow::previewEntry(Entry* entry)
{
    if (!entry)
        return;
    follow(entry);
    setWindowTitle(localized("EntryArrayController", "Previewing: %1")
                       .arg(QChar(0x201C) + entry->displayName() + QChar(0x201D)));
    m_formatting->ask(*entry);
}

void EntryPreviewWindow::showPage(Entry& entry, const QString& html)
{
    WebContentPage::ShowOptions options;
    options.baseUrl = EntryPreview::baseAddress(entry);
    // The same entry shown again keeps the reader's place.
    options.keepScrollPosition = m_viewEntry == &entry;
    ensureView()->showDocument(html, WebContentPage::Content::Post, options);
    m_viewEntry = &entry;
    ++m_renders;
    emit rendered(&entry);
}

WebContentView* EntryPreviewWindow::ensureView()
{
    if (!m_view) {
        m_view = new WebContentView(this);
        m_view->setObjectName(QStringLiteral("previewer"));
        m_view->contentPage()->setBlocksContentScripts(true);
        // Alt-click saves a link's target, through a save dialog.
        m_view->setOffersDownloads(true);
        layout()->addWidget(m_view);
    }
    return m_view;
}

void EntryPreviewWindow::follow(Entry* entry)
{
    if (m_entry == entry)
        return;
    disconnect(m_watch);
    m_throttle.cancel();
    m_entry = entry;
    if (entry)
        m_watch = connect(entry, &ModelRecord::valueChanged, this, [this](const QString& key) {
            if (isShownKey(key))
                m_throttle.request();
        });
}

void EntryPreviewWindow::draftClosed(QObject* draft)
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    const Entry* entry = drafts && draft ? drafts->entryOfDraft(draft) : nullptr;
    const bool ours = (draft && draft == m_draft) || (entry && entry == m_entry);
    if (!ours)
        return;
    follow(nullptr);
    m_formatting->drop();
    m_viewEntry = nullptr;
    m_draft = nullptr;
    hide();
}
