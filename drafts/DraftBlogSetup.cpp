// Sets a draft up from its blog: rich editing, the lower pane, the title rows, the panel.
#include "DraftBlogSetup.h"

#include "Account.h"
#include "Blog.h"
#include "Draft.h"
#include "DraftActions.h"
#include "DraftBlogMenu.h"
#include "DraftCategories.h"
#include "DraftEditor.h"
#include "DraftEditors.h"
#include "DraftExtensions.h"
#include "DraftPaneStack.h"
#include "DraftWindowLayout.h"
#include "Entry.h"
#include "EntryRenderer.h"
#include "PLUMETFormatterProtocol.h"
#include "PLUMETPluginProtocol.h"
#include "RVSubView.h"
#include "UserDefaults.h"
#include "categories/RVCatsController.h"

#include <QLayout>

DraftBlogSetup::DraftBlogSetup(Draft& draft) : m_draft(draft)
{
    m_fixedRichText = UserDefaults::sharedInstance().integer(QStringLiteral("fixedRichText")) != 0;
}

DraftBlogSetup::~DraftBlogSetup() = default;

void DraftBlogSetup::readBlogState()
{
    const EntryPtr edited = m_draft.entry();
    m_canUseRichEditor = true;
    if (m_fixedRichText) {
        m_canUseRichEditor = false;
    } else if (edited) {
        if (PLUMETFormatterProtocol* formatter = EntryRenderer(*edited).usedFormatter())
            m_canUseRichEditor = formatter->allowsHTMLEditing();
    }
    if (DraftExtensions::sharedInstance().setRichEditable) {
        for (const bool sub : {false, true}) {
            EditorSlot* slot = &m_draft.m_editors->slot(Draft::RichMode, sub);
            if (slot->alive())
                DraftExtensions::sharedInstance().setRichEditable(*slot->editor,
                                                                  m_canUseRichEditor);
        }
    }

    Blog* owning = m_draft.blog();
    m_expanded = false;
    m_draft.m_subTag = Draft::ExtendedTag;
    if (!owning)
        return;
    // The blog keeps whether the lower pane was collapsed, and the lower pane last shown.
    const QVariant collapsed = owning->option(QStringLiteral("showExtraEdit"));
    m_expanded = collapsed.isValid() && !collapsed.toBool();
    const QVariant tag = owning->option(QStringLiteral("extraEditTab"));
    if (tag.isValid())
        m_draft.m_subTag = tag.toInt();
    else
        owning->setOption(QStringLiteral("extraEditTab"), 0);
}

void DraftBlogSetup::setUpPluginPanel()
{
    disposePluginPanel();
    const EntryPtr edited = m_draft.entry();
    Blog* owning = m_draft.blog();
    Account* account = owning ? owning->account() : nullptr;
    PLUMETPluginProtocol* plugin = account ? account->plugin() : nullptr;
    if (!edited || !plugin)
        return;
    std::weak_ptr<Entry> target = edited;
    m_pluginObject =
        plugin->draftPluginView(edited->pluginSettings(), [target](const QVariantMap& settings) {
            if (const EntryPtr entry = target.lock())
                entry->setPluginSettings(settings);
        });
    if (!m_pluginObject)
        return;
    m_pluginObject->setIsPage(edited->hasFlag(Entry::IsPage));
    if (QWidget* view = m_pluginObject->view()) {
        view->setParent(m_draft.m_layout->pluginTab());
        m_draft.m_layout->pluginTab()->layout()->addWidget(view);
        view->show();
    }
}

void DraftBlogSetup::disposePluginPanel()
{
    if (!m_pluginObject)
        return;
    m_pluginObject->willDispose(&m_draft);
    if (QWidget* view = m_pluginObject->view()) {
        view->hide();
        view->setParent(nullptr);
    }
    m_pluginObject.reset();
}

void DraftBlogSetup::configureTitleArea()
{
    Blog* owning = m_draft.blog();
    Account* account = owning ? owning->account() : nullptr;
    PLUMETPluginProtocol* plugin = account ? account->plugin() : nullptr;
    const bool keywords = plugin && plugin->hasKeywordsField() &&
                          owning->option(QStringLiteral("showKeywords")).toBool();
    const bool blogList = owning && owning->option(QStringLiteral("showBloglist")).toBool();
    m_draft.m_layout->keywordView()->setVisible(keywords);
    m_draft.m_layout->blogListView()->setVisible(blogList);

    QList<RVSubView*> shown{m_draft.m_layout->titleView()};
    if (keywords)
        shown.append(m_draft.m_layout->keywordView());
    if (blogList)
        shown.append(m_draft.m_layout->blogListView());
    RVSubView::alignRows(shown);
}

void DraftBlogSetup::setUpPaneStack()
{
    const int code = m_draft.paneCode();
    const bool plugin = m_pluginObject != nullptr;
    m_draft.m_layout->paneStack()->setMinHeight(
        m_pluginObject ? int(m_pluginObject->minimumHeight()) : 0);
    m_draft.m_layout->paneStack()->setupViews(code, plugin, m_expanded);
    const QList<int> tags = m_draft.m_layout->paneStack()->segmentTags();
    if (!tags.isEmpty()) {
        if (!tags.contains(m_draft.m_subTag)) {
            m_draft.m_subTag = tags.first();
            if (Blog* owning = m_draft.blog())
                owning->setOption(QStringLiteral("extraEditTab"), m_draft.m_subTag);
        }
        m_draft.m_layout->paneStack()->selectTag(m_draft.m_subTag);
    }
}

void DraftBlogSetup::reconfigureForBlog()
{
    const int keptTag = m_draft.m_subTag;
    readBlogState();
    // The lower pane keeps showing what it showed, so its text goes back to the same field.
    m_draft.m_subTag = keptTag;
    setUpPluginPanel();
    configureTitleArea();
    setUpPaneStack();
    if (Blog* owning = m_draft.blog())
        owning->setOption(QStringLiteral("extraEditTab"), m_draft.m_subTag);
    m_draft.m_categories->initCategories();
    if (RVCatsController* list = m_draft.m_categories->controller())
        list->constructSearchMenu();
    m_draft.m_blogMenu->setupBlogMenu();
    m_draft.m_layout->showTabs();
    m_draft.m_actions->validate();
}

void DraftBlogSetup::toggleKeywords()
{
    Blog* owning = m_draft.blog();
    Account* account = owning ? owning->account() : nullptr;
    PLUMETPluginProtocol* plugin = account ? account->plugin() : nullptr;
    if (!plugin || !plugin->hasKeywordsField())
        return;
    owning->setOption(QStringLiteral("showKeywords"),
                      !owning->option(QStringLiteral("showKeywords")).toBool());
    configureTitleArea();
    m_draft.m_actions->validate();
}

void DraftBlogSetup::toggleBloglist()
{
    if (Blog* owning = m_draft.blog()) {
        owning->setOption(QStringLiteral("showBloglist"),
                          !owning->option(QStringLiteral("showBloglist")).toBool());
        configureTitleArea();
        m_draft.m_actions->validate();
    }
}
