// Makes a draft window's commands, menus and toolbar, and keeps their states current.
#include "DraftActions.h"

#include "Account.h"
#include "AddonManager.h"
#include "Blog.h"
#include "Draft.h"
#include "DraftAddons.h"
#include "DraftEditMenu.h"
#include "DraftEditor.h"
#include "DraftExtensions.h"
#include "DraftFocus.h"
#include "DraftPanels.h"
#include "DraftToolbar.h"
#include "DraftWindowLayout.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "RVDraftWindow.h"
#include "RVSubView.h"
#include "RVTagTool.h"
#include "RVTextView.h"
#include "ToolbarController.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QToolBar>

DraftActions::DraftActions(Draft& draft) : m_draft(draft) {}

DraftActions::~DraftActions() = default;

void DraftActions::build()
{
    RVDraftWindow* window = m_draft.window();
    auto make = [this, window](const QString& text, const QKeySequence& shortcut, auto slot) {
        auto* action = new QAction(text, window);
        action->setShortcut(shortcut);
        QObject::connect(action, &QAction::triggered, &m_draft, slot);
        return action;
    };
    m_saveAction = make(localized("Draft", "Save"), QKeySequence::Save, &Draft::saveDocument);
    m_saveAsAction =
        make(localized("Draft", "Save As…"), QKeySequence::SaveAs, &Draft::saveDocumentAs);
    m_revertAction =
        make(localized("Draft", "Revert to Saved"), QKeySequence(), &Draft::revertDocumentToSaved);
    m_closeAction = make(localized("Draft", "Close"), QKeySequence::Close, [this] {
        if (m_draft.window())
            m_draft.window()->close();
    });
    m_switchEditorAction =
        make(localized("Draft", "Make HTML Text"), QKeySequence(Draft::tr("Ctrl+Shift+H")),
             [this] { m_draft.switchEditor(); });
    m_toggleKeywordsAction =
        make(localized("Draft", "Show Keywords"), QKeySequence(), &Draft::toggleKeywords);
    m_toggleKeywordsAction->setCheckable(true);
    m_toggleBloglistAction =
        make(localized("Draft", "Show Blog List"), QKeySequence(), &Draft::toggleBloglist);
    m_toggleBloglistAction->setCheckable(true);
    m_refreshCategoriesAction =
        make(localized("Draft", "Refresh Categories"), QKeySequence(), [this] {
            if (DraftExtensions::sharedInstance().refreshCategories)
                DraftExtensions::sharedInstance().refreshCategories(m_draft);
        });
    m_createSummaryAction =
        make(localized("Draft", "Create Summary"), QKeySequence(), &Draft::createSummary);
    m_createSummaryAction->setToolTip(localized("Draft", "Create a summary"));
    m_publishAction = make(localized("Draft", "Publish"), QKeySequence(Draft::tr("Ctrl+Shift+P")),
                           &Draft::publish);
    m_publishAction->setToolTip(localized("Draft", "Publish Draft"));
    m_changeDateAction = make(localized("Draft", "Adjust Time…"), QKeySequence(),
                              [this] { m_draft.panels()->changeDate(); });
    m_changeDateAction->setToolTip(localized("Draft", "Adjust Published Time and Date"));
    m_manageTrackbackAction = make(localized("Draft", "Trackbacks…"), QKeySequence(),
                                   [this] { m_draft.panels()->manageTrackback(); });
    m_manageTrackbackAction->setToolTip(localized("Draft", "Manage Trackback URLs"));
    m_wordCountAction = make(localized("Draft", "Word Count"), QKeySequence(),
                             [this] { m_draft.panels()->wordCount(); });
    m_wordCountAction->setToolTip(localized("Draft", "Calculate Text Statistics"));
    m_saveAction->setToolTip(localized("Draft", "Saves Draft or Post"));
    m_saveAsStationeryAction =
        make(localized("Draft", "Save As Stationery…"), QKeySequence(), &Draft::saveAsStationery);

    // Commands whose parts are not built yet stand in the menus, disabled.
    QAction* newPreset = later(localized("Draft", "New Preset…"));
    QAction* applyPreset = later(localized("Draft", "Apply Preset"));
    buildInsertionActions();
    m_customTagsAction = make(localized("Draft", "Custom Tags"), QKeySequence(),
                              [] { RVTagTool::sharedInstance().showWindow(); });
    m_customTagsAction->setToolTip(localized("Draft", "Edit custom HTML tags"));
    m_boldAction = make(localized("Draft", "Bold"), QKeySequence::Bold, [this] {
        if (DraftEditor* editor = m_draft.m_focus->styledEditor())
            editor->bold();
    });
    m_italicAction = make(localized("Draft", "Italic"), QKeySequence::Italic, [this] {
        if (DraftEditor* editor = m_draft.m_focus->styledEditor())
            editor->italic();
    });
    m_closeTagAction =
        make(localized("Draft", "Close Tag"), QKeySequence(Draft::tr("Ctrl+Alt+.")), [this] {
            if (RVTextView* source = m_draft.m_focus->focusedSourceView())
                source->closeOpenTag();
        });
    m_validateHTMLAction =
        make(localized("Draft", "Validate HTML"), QKeySequence(Draft::tr("Ctrl+Alt+V")), [this] {
            if (RVTextView* source = m_draft.m_focus->focusedSourceView())
                source->validateHTML();
        });

    QMenuBar* menus = window->menuBar();
    QMenu* file = menus->addMenu(localized("Draft", "&File"));
    file->addActions({m_saveAction, m_saveAsAction, m_saveAsStationeryAction, m_revertAction});
    file->addSeparator();
    file->addAction(m_closeAction);
    m_editMenu = new DraftEditMenu(
        menus, [this] { return m_draft.focusedEditor(); }, &m_draft);
    QMenu* draft = menus->addMenu(localized("Draft", "&Draft"));
    draft->addActions({m_switchEditorAction, m_toggleKeywordsAction, m_toggleBloglistAction});
    draft->addSeparator();
    draft->addActions({m_createSummaryAction, m_changeDateAction, m_manageTrackbackAction,
                       m_wordCountAction, m_refreshCategoriesAction});
    draft->addSeparator();
    draft->addActions({m_insertLinkAction, m_mediaAction, newPreset, applyPreset});
    m_revisionMenu = draft->addMenu(localized("Draft", "Revisions"));
    m_revisionMenu->setEnabled(false);
    draft->addSeparator();
    draft->addAction(m_publishAction);
    for (QMenu* menu : {file, draft})
        QObject::connect(menu, &QMenu::aboutToShow, &m_draft, &Draft::validateActions);
    QMenu* format = menus->addMenu(localized("Draft", "F&ormat"));
    format->addActions({m_boldAction, m_italicAction});
    format->addSeparator();
    format->addActions({m_closeTagAction, m_validateHTMLAction});
    QObject::connect(format, &QMenu::aboutToShow, &m_draft, [this] { validateEditing(); });
    // The program's one custom-tag menu shows in every draft window, its
    // items applying their tag in the editor that has the focus.
    if (RVTagTool::instanceExists()) {
        if (QMenu* tags = RVTagTool::sharedInstance().customTagMenu())
            menus->addMenu(tags);
    }
    m_draft.m_addons->build();

    buildToolbar();

    QObject::connect(qApp, &QApplication::focusChanged, &m_draft, [this] { validateEditing(); });
    validateEditing();
}

QAction* DraftActions::later(const QString& text, const QString& tip)
{
    auto* action = new QAction(text, m_draft.window());
    action->setToolTip(tip);
    action->setEnabled(false);
    m_laterActions.append(action);
    return action;
}

void DraftActions::buildToolbar()
{
    QHash<QString, QAction*> commands{
        {QLatin1String(DraftToolbar::publishItem), m_publishAction},
        {QLatin1String(DraftToolbar::saveItem), m_saveAction},
        {QLatin1String(DraftToolbar::customTagsItem), m_customTagsAction},
        {QLatin1String(DraftToolbar::summaryItem), m_createSummaryAction},
        {QLatin1String(DraftToolbar::adjustTimeItem), m_changeDateAction},
        {QLatin1String(DraftToolbar::trackbackItem), m_manageTrackbackAction},
        {QLatin1String(DraftToolbar::wordCountItem), m_wordCountAction},
        {QLatin1String(DraftToolbar::mediaItem), m_mediaAction},
    };
    m_toolbarItems =
        std::make_unique<DraftToolbar>(DraftToolbar::Commands{
                                           commands,
                                           [this](const QString& key) { m_draft.callAddon(key); },
                                           [this] { return m_draft.m_addons->itemsEnabled(); },
                                       },
                                       &AddonManager::sharedInstance());
    m_toolbar = new ToolbarController(QLatin1String(DraftToolbar::identifier), *m_toolbarItems,
                                      m_draft.window());
    // Each item follows its menu command's enabled state as it changes.
    for (QAction* command : std::as_const(commands)) {
        QObject::connect(command, &QAction::changed, m_toolbar,
                         [toolbar = m_toolbar] { toolbar->validateVisibleItems(); });
    }
    m_toolbar->validateVisibleItems();
}

QToolBar* DraftActions::toolbar() const
{
    return m_toolbar ? m_toolbar->toolBar() : nullptr;
}

void DraftActions::buildInsertionActions()
{
    m_insertLinkAction = later(localized("Draft", "Insert Link…"));
    m_mediaAction = later(localized("Draft", "Import Media"),
                          localized("Draft", "Import images, sound and movies"));
}

void DraftActions::validate()
{
    Blog* owning = m_draft.blog();
    Account* account = owning ? owning->account() : nullptr;
    PLUMETPluginProtocol* plugin = account ? account->plugin() : nullptr;
    DraftExtensions& extensions = DraftExtensions::sharedInstance();

    m_switchEditorAction->setText(m_draft.mode() == Draft::RichMode
                                      ? localized("Draft", "Make HTML Text")
                                      : localized("Draft", "Make Rich Text"));
    m_switchEditorAction->setEnabled(m_draft.richEditorsAvailable());
    m_toggleBloglistAction->setChecked(!m_draft.m_layout->blogListView()->isHidden());
    m_toggleBloglistAction->setEnabled(owning != nullptr);
    m_toggleKeywordsAction->setEnabled(plugin && plugin->hasKeywordsField());
    m_toggleKeywordsAction->setChecked(!m_draft.m_layout->keywordView()->isHidden());
    m_refreshCategoriesAction->setEnabled(extensions.refreshCategories && plugin &&
                                          plugin->hasCategories() && account &&
                                          !account->isCritical());
    m_createSummaryAction->setEnabled(DraftToolbar::canCreateSummary(m_draft.paneCode()));
    m_publishAction->setEnabled(bool(extensions.publish));
    const bool hasEntry = m_draft.entry() != nullptr;
    m_changeDateAction->setEnabled(hasEntry);
    m_manageTrackbackAction->setEnabled(hasEntry);
    m_wordCountAction->setEnabled(hasEntry);
    m_saveAsStationeryAction->setEnabled(bool(extensions.saveAsStationery));
}

void DraftActions::validateEditing()
{
    // The focus also moves while the window is torn down.
    if (m_draft.isClosed() || !m_draft.window() || !m_boldAction)
        return;
    const bool styled = m_draft.m_focus->styledEditor() != nullptr;
    const bool source = m_draft.m_focus->focusedSourceView() != nullptr;
    m_boldAction->setEnabled(styled);
    m_italicAction->setEnabled(styled);
    m_closeTagAction->setEnabled(source);
    m_validateHTMLAction->setEnabled(source);
    if (m_editMenu)
        m_editMenu->validate();
    m_draft.m_addons->validate();
    // The add-on items follow the add-on menu's state.
    if (m_toolbar)
        m_toolbar->validateVisibleItems();
}
