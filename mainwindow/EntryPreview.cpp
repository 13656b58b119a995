#include "EntryPreview.h"

#include "Blog.h"
#include "Entry.h"
#include "EntrySummaryPage.h"
#include "Localization.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "RVSplitView.h"
#include "WebContent.h"
#include "WebContentView.h"

#include <QLabel>
#include <QStackedLayout>
#include <QTimer>

EntryPreview::Mode EntryPreview::modeForHeight(double height)
{
    return height < summaryBelow ? Mode::Summary : Mode::Full;
}

QUrl EntryPreview::baseAddress(const Entry& entry)
{
    const QString permalink = entry.permaLink();
    if (!permalink.isEmpty()) {
        const QUrl url(permalink.contains(QLatin1String("://"), Qt::CaseInsensitive)
                           ? permalink
                           : QStringLiteral("http://") + permalink);
        if (WebContent::isUsableBase(url))
            return url;
    }
    if (const auto* blog = dynamic_cast<const Blog*>(entry.parentBlog())) {
        const QUrl url(blog->url());
        if (!blog->url().isEmpty() && WebContent::isUsableBase(url))
            return url;
    }
    return {};
}

EntryPreview::EntryPreview(RVSplitView* split, QWidget* parent, Clock* clock)
    : QWidget(parent), m_split(split), m_throttle(
                                           [this] {
                                               if (m_followed)
                                                   showEntry(m_followed.data(), false, true);
                                           },
                                           clock)
{
    setObjectName(QStringLiteral("EntryPreview"));
    m_formatting = new PreviewFormatting(this, [this](Entry& entry, const QString& html) {
        showPage(entry, Mode::Full, m_keepPlace, html);
    });
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_placeholder = new QLabel(localized("BlogController", "No Selection"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setAutoFillBackground(true);
    m_placeholder->setBackgroundRole(QPalette::Base);
    m_placeholder->setForegroundRole(QPalette::PlaceholderText);
    m_stack->addWidget(m_placeholder);

    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.observe(QString::fromLatin1(ModelNotifications::clearInlineWebview), this,
                   [this](const Notification&) {
                       clear();
                       // Another blog's entry may be the one leaving: once it
                       // has gone, the selection shows again.
                       QTimer::singleShot(0, this, [this] { updatePreview(); });
                   });
    center.observe(QStringLiteral("refreshInlinePreview"), this,
                   [this](const Notification&) { refresh(); });
    center.observe(QStringLiteral("previewStyleChanged"), this,
                   [this](const Notification&) { updatePreview(true); });
    if (m_split)
        connect(m_split, &RVSplitView::subviewsResized, this, [this] { updatePreview(); });
}

EntryPreview::~EntryPreview()
{
    disconnect(m_bodyWatch);
}

Entry* EntryPreview::shownEntry() const
{
    return m_shownEntry.data();
}

bool EntryPreview::collapsed() const
{
    if (!m_split)
        return false;
    const int index = m_split->indexOf(const_cast<EntryPreview*>(this));
    return m_split->collapsedMode() || (index >= 0 && m_split->isSubviewCollapsed(index));
}

void EntryPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updatePreview();
}

void EntryPreview::selectionChanged()
{
    Entry* entry = m_current ? m_current() : nullptr;
    if (!entry) {
        clear();
        return;
    }
    showEntry(entry, true, false);
}

void EntryPreview::updatePreview(bool restyle)
{
    Entry* entry = m_current ? m_current() : nullptr;
    if (!entry) {
        if (m_shownEntry || m_shownMode != Mode::None)
            clear();
        return;
    }
    showEntry(entry, false, restyle);
}

void EntryPreview::refresh()
{
    follow(nullptr);
    updatePreview(true);
}

void EntryPreview::clear()
{
    follow(nullptr);
    m_formatting->drop();
    m_viewEntry = nullptr;
    m_shownEntry = nullptr;
    m_shownMode = Mode::None;
    m_stack->setCurrentWidget(m_placeholder);
    if (m_view)
        m_view->showDocument(QString());
}

void EntryPreview::showEntry(Entry* entry, bool fromTop, bool force)
{
    if (!entry || collapsed())
        return;
    const Mode mode = modeForHeight(height());
    const bool same = m_shownEntry == entry && m_shownMode == mode;
    if (mode == Mode::Summary) {
        follow(nullptr);
        if (same && !force)
            return;
        render(*entry, mode, false);
        return;
    }
    follow(entry);
    if (same && !force && !fromTop)
        return;
    // The same entry shown again keeps the reader's place; another opens at the top.
    render(*entry, mode, same && !fromTop);
}

void EntryPreview::follow(Entry* entry)
{
    if (m_followed == entry)
        return;
    disconnect(m_bodyWatch);
    m_throttle.cancel();
    m_followed = entry;
    if (!entry)
        return;
    m_bodyWatch = connect(entry, &ModelRecord::valueChanged, this, [this](const QString& key) {
        if (key == QLatin1String("body"))
            m_throttle.request();
    });
}

WebContentView* EntryPreview::ensureView()
{
    if (!m_view) {
        m_view = new WebContentView(this);
        m_view->setObjectName(QStringLiteral("plumet_preview"));
        m_view->contentPage()->setBlocksContentScripts(true);
        // Alt-click saves a link's target, through a save dialog.
        m_view->setOffersDownloads(true);
        m_stack->addWidget(m_view);
    }
    return m_view;
}

void EntryPreview::render(Entry& entry, Mode mode, bool keepPlace)
{
    m_shownEntry = &entry;
    m_shownMode = mode;
    if (mode == Mode::Summary) {
        m_formatting->drop();
        showPage(entry, mode, keepPlace, EntrySummaryPage::page(entry, ensureView()->palette()));
        return;
    }
    m_keepPlace = keepPlace;
    m_formatting->ask(entry);
}

void EntryPreview::showPage(Entry& entry, Mode mode, bool keepPlace, const QString& html)
{
    WebContentPage::ShowOptions options;
    options.baseUrl = baseAddress(entry);
    // Only the document of the same entry keeps its place.
    options.keepScrollPosition = keepPlace && m_viewEntry == &entry;
    WebContentView* view = ensureView();
    view->showDocument(html, WebContentPage::Content::Post, options);
    m_stack->setCurrentWidget(view);
    m_viewEntry = &entry;
    ++m_renders;
    emit rendered(mode, &entry);
}
