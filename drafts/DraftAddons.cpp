// A draft's Add-ons menu and the hand-over of the focused editor's text to a menu add-on.
#include "DraftAddons.h"

#include "AddonManager.h"
#include "AddonMenu.h"
#include "AddonMenuShortcuts.h"
#include "AddonShortcuts.h"
#include "Draft.h"
#include "DraftActions.h"
#include "DraftAddonHandler.h"
#include "DraftAddonText.h"
#include "DraftEditor.h"
#include "Localization.h"
#include "RVDraftWindow.h"
#include "UserDefaults.h"

#include <QMenuBar>
#include <QPointer>

DraftAddons::DraftAddons(Draft& draft) : m_draft(draft) {}

DraftAddons::~DraftAddons() = default;

void DraftAddons::build()
{
    RVDraftWindow* window = m_draft.window();
    m_text = std::make_unique<DraftAddonText>();
    m_handler = new DraftAddonHandler(window, *m_text, AddonManager::sharedInstance(), &m_draft);
    m_menu = window->menuBar()->addMenu(localized("Draft", "&Add-ons"));
    m_items = new AddonMenu(m_menu, AddonManager::sharedInstance(), &m_draft);
    QObject::connect(m_items, &AddonMenu::addonTriggered, &m_draft, &Draft::callAddon);
    // Add-ons act on the editor in focus, one at a time. The items are
    // rebuilt when the menu opens (connected first), then enabled here.
    QObject::connect(m_menu, &QMenu::aboutToShow, &m_draft,
                     [this] { m_draft.m_actions->validateEditing(); });
    QObject::connect(m_handler, &DraftAddonHandler::addonEnded, &m_draft,
                     [this] { m_draft.m_actions->validateEditing(); });
    // The recorded shortcuts go on the items here, where add-ons run, each
    // time the items are made and whenever the user records one.
    QObject::connect(m_items, &AddonMenu::rebuilt, &m_draft, [this] { applyShortcuts(); });
    QObject::connect(&UserDefaults::sharedInstance(), &UserDefaults::changed, &m_draft,
                     [this](const QString& changed) {
                         if (changed == QLatin1String("addon_shortcuts"))
                             applyShortcuts();
                     });
    applyShortcuts();
}

void DraftAddons::applyShortcuts()
{
    if (m_menu)
        AddonMenuShortcuts::applyToItems(m_menu->actions(),
                                         AddonShortcuts::read(UserDefaults::sharedInstance()));
}

void DraftAddons::validate()
{
    if (m_items)
        m_items->setItemsEnabled(itemsEnabled());
}

bool DraftAddons::itemsEnabled() const
{
    return m_draft.focusedEditor() && m_handler && m_handler->runningAddon().isNull();
}

void DraftAddons::dispose()
{
    if (m_handler)
        m_handler->dispose();
}

void DraftAddons::releaseHandler()
{
    delete m_handler;
    m_handler = nullptr;
}

void DraftAddons::callAddon(const QString& addonKey, const QString& subaction)
{
    if (m_draft.isClosed() || !m_handler || !m_handler->runningAddon().isNull())
        return;
    DraftEditor* target = m_draft.focusedEditor();
    PLUMETAddonProtocol* addon = AddonManager::sharedInstance().pluginForKey(addonKey);
    if (!target || !addon)
        return;
    const bool wholeText = addon->requiresFullText();
    QPointer<QWidget> widget = DraftEditor::widgetOf(target);
    m_draft.commitThen(QStringLiteral("add-on"), [this, widget, addonKey, subaction, wholeText] {
        DraftEditor* editor = DraftEditor::containing(widget);
        if (!editor)
            return;
        QPointer<Draft> self(&m_draft);
        auto handOver = [this, self, widget, addonKey, subaction, wholeText](const QString& text) {
            DraftEditor* editor = DraftEditor::containing(widget);
            if (!self || self->isClosed() || !editor || !m_handler)
                return;
            m_text->prepare(*editor, text, wholeText);
            m_handler->callAddon(addonKey, subaction);
            if (self)
                m_text->handedOver();
        };
        if (wholeText)
            editor->commitContent(handOver);
        else
            editor->fetchSelection(handOver);
    });
}
