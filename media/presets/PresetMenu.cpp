#include "PresetMenu.h"

#include "Attachment.h"
#include "Localization.h"
#include "ManagePresetsDialog.h"
#include "MediaAttachment.h"
#include "NewPresetDialog.h"
#include "NotificationCenter.h"
#include "Presets.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

namespace {

const char Table[] = "Presets";
const char NameProperty[] = "plumetPresetName";
// The title, and after the presets a separator and the two dialog items.
constexpr int FixedItems = 4;

} // namespace

PresetMenu::PresetMenu(Presets& store, Scope scope, QWidget* window)
    : QObject(window), m_store(&store), m_scope(scope), m_window(window)
{
    m_menu = new QMenu(window);
    m_menu->setObjectName(QStringLiteral("presetMenu"));
    QAction* title = m_menu->addAction(localized(Table, "Presets"));
    title->setVisible(false);
    m_menu->addSeparator();
    QAction* create = m_menu->addAction(localized(Table, "New Preset\u2026"));
    create->setObjectName(QStringLiteral("newPresetItem"));
    QAction* manage = m_menu->addAction(localized(Table, "Manage Presets\u2026"));
    manage->setObjectName(QStringLiteral("managePresetsItem"));
    connect(create, &QAction::triggered, this, &PresetMenu::newPreset);
    connect(manage, &QAction::triggered, this, &PresetMenu::managePresets);
    connect(m_menu, &QMenu::aboutToShow, this, &PresetMenu::validate);
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(Presets::PresetsChangedNotification), this,
        [this](const Notification&) { rebuild(); });
    rebuild();
}

PresetMenu::~PresetMenu()
{
    if (m_menu && !m_menu->parent())
        delete m_menu;
}

QAction* PresetMenu::titleItem() const
{
    return m_menu->actions().value(0);
}

QAction* PresetMenu::newPresetItem() const
{
    const QList<QAction*> items = m_menu->actions();
    return items.value(items.size() - 2);
}

QAction* PresetMenu::managePresetsItem() const
{
    return m_menu->actions().value(m_menu->actions().size() - 1);
}

QList<QAction*> PresetMenu::presetItems() const
{
    const QList<QAction*> items = m_menu->actions();
    return items.mid(1, items.size() - FixedItems);
}

QString PresetMenu::presetName(const QAction* item)
{
    return item ? item->property(NameProperty).toString() : QString();
}

void PresetMenu::attachTo(QToolButton* button)
{
    button->setMenu(m_menu);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setText(titleItem()->text());
}

void PresetMenu::rebuild()
{
    if (!m_menu)
        return;
    // Whatever stands between the title and the fixed items at the end are
    // the old preset items.
    while (m_menu->actions().size() > FixedItems) {
        QAction* old = m_menu->actions().at(1);
        m_menu->removeAction(old);
        delete old;
    }
    for (QAction* item : m_menu->actions())
        item->setChecked(false);
    const QStringList keys = m_store ? m_store->presetKeys() : QStringList();
    QAction* before = m_menu->actions().at(1);
    for (const QString& name : keys) {
        // "&" in a name is shown, not taken for a mnemonic.
        auto* item = new QAction(QString(name).replace(u'&', QStringLiteral("&&")), m_menu);
        item->setProperty(NameProperty, name);
        connect(item, &QAction::triggered, this, [this, name] { apply(name); });
        m_menu->insertAction(before, item);
    }
    validate();
}

QList<AttachmentPtr> PresetMenu::selection() const
{
    return m_selection ? m_selection() : QList<AttachmentPtr>();
}

void PresetMenu::validate()
{
    if (!m_menu)
        return;
    const QList<AttachmentPtr> selected = selection();
    const AttachmentPtr first = selected.value(0);
    newPresetItem()->setEnabled(first && Presets::canBePreset(*first));
    for (QAction* item : presetItems()) {
        const MediaAttachmentPtr preset =
            m_store ? m_store->presetForKey(presetName(item)) : nullptr;
        item->setEnabled(preset && first && Presets::sameKind(*first, *preset));
    }
}

void PresetMenu::apply(const QString& name)
{
    if (!m_store)
        return;
    const QList<AttachmentPtr> selected = selection();
    int changed = 0;
    if (m_scope == Scope::Selection)
        changed = m_store->applyToSelection(name, selected);
    else if (!selected.isEmpty() && selected.first())
        changed = m_store->applyToAttachment(name, *selected.first()) ? 1 : 0;
    if (changed > 0)
        emit presetApplied(name, changed);
}

void PresetMenu::newPreset()
{
    const AttachmentPtr first = selection().value(0);
    if (!m_store || !first || !Presets::canBePreset(*first))
        return;
    NewPresetDialog::start(*m_store, first, m_window ? m_window->window() : nullptr);
}

void PresetMenu::managePresets()
{
    if (m_store)
        ManagePresetsDialog::start(*m_store, m_window ? m_window->window() : nullptr);
}
