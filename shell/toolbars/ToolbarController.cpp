#include "ToolbarController.h"

#include "Localization.h"
#include "ToolbarCustomizeDialog.h"
#include "ToolbarDelegate.h"
#include "ToolbarIcons.h"
#include "UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QToolBar>

namespace {

constexpr int fixedSpaceWidth = 16;
// Set on the actions of items that have something to run.
constexpr auto runnableProperty = "plumetToolbarRunnable";

QWidget* makeSpace(bool flexible)
{
    auto* space = new QWidget;
    space->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (flexible)
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    else
        space->setFixedWidth(fixedSpaceWidth);
    return space;
}

} // namespace

ToolbarController::ToolbarController(const QString& identifier, ToolbarDelegate& delegate,
                                     QMainWindow* window, UserDefaults* defaults)
    : QObject(window), m_identifier(identifier), m_delegate(delegate), m_window(window),
      m_defaults(defaults ? defaults : &UserDefaults::sharedInstance())
{
    m_toolBar = new QToolBar(window);
    m_toolBar->setObjectName(identifier);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_toolBar, &QWidget::customContextMenuRequested, this,
            &ToolbarController::showContextMenu);
    window->addToolBar(Qt::TopToolBarArea, m_toolBar);
    window->setUnifiedTitleAndToolBarOnMac(true);
    // The window's own toolbar menu would hide it without our knowing.
    window->setContextMenuPolicy(Qt::NoContextMenu);
    window->installEventFilter(this);

    ToolbarConfiguration configuration;
    configuration.items = m_delegate.toolbarDefaultItemIdentifiers();
    if (auto stored = ToolbarConfiguration::load(*m_defaults, m_identifier))
        configuration = *stored;
    configuration.items = ToolbarConfiguration::usableItems(
        configuration.items, m_delegate.toolbarAllowedItemIdentifiers());
    m_configuration = configuration;
    m_toolBar->setToolButtonStyle(m_configuration.style);
    m_toolBar->setVisible(m_configuration.visible);
    rebuild();
}

ToolbarController::~ToolbarController() = default;

ToolbarCustomizeDialog* ToolbarController::customizationPalette() const
{
    return m_palette;
}

ToolbarItem ToolbarController::standardItem(const QString& identifier)
{
    ToolbarItem item;
    item.identifier = identifier;
    if (identifier == QLatin1String(ToolbarIdentifiers::separator)) {
        item.label = localized("Toolbar", "Separator");
    } else if (identifier == QLatin1String(ToolbarIdentifiers::space)) {
        item.label = localized("Toolbar", "Space");
    } else if (identifier == QLatin1String(ToolbarIdentifiers::flexibleSpace)) {
        item.label = localized("Toolbar", "Flexible Space");
    } else if (identifier == QLatin1String(ToolbarIdentifiers::customize)) {
        item.label = localized("Toolbar", "Customize");
        item.toolTip = localized("Toolbar", "Customize Toolbar");
        item.icon = ToolbarIcons::themed(QStringLiteral("configure-toolbars"),
                                         QStringLiteral(":/toolbars/customize.svg"));
    }
    return item;
}

void ToolbarController::setItemIdentifiers(const QStringList& identifiers)
{
    ToolbarConfiguration changed = m_configuration;
    changed.items =
        ToolbarConfiguration::usableItems(identifiers, m_delegate.toolbarAllowedItemIdentifiers());
    apply(changed);
}

void ToolbarController::resetToDefaultItems()
{
    setItemIdentifiers(m_delegate.toolbarDefaultItemIdentifiers());
}

void ToolbarController::setDisplayMode(Qt::ToolButtonStyle style)
{
    ToolbarConfiguration changed = m_configuration;
    changed.style = style;
    apply(changed);
}

void ToolbarController::setVisible(bool visible)
{
    ToolbarConfiguration changed = m_configuration;
    changed.visible = visible;
    apply(changed);
}

void ToolbarController::apply(const ToolbarConfiguration& configuration)
{
    if (configuration == m_configuration)
        return;
    const bool itemsChanged = configuration.items != m_configuration.items;
    m_configuration = configuration;
    m_configuration.save(*m_defaults, m_identifier);
    m_toolBar->setToolButtonStyle(m_configuration.style);
    m_toolBar->setVisible(m_configuration.visible);
    if (itemsChanged)
        rebuild();
    emit configurationChanged();
}

void ToolbarController::reloadItems()
{
    m_configuration.items = ToolbarConfiguration::usableItems(
        m_configuration.items, m_delegate.toolbarAllowedItemIdentifiers());
    rebuild();
    if (m_palette)
        m_palette->reload();
}

void ToolbarController::rebuild()
{
    m_toolBar->clear();
    m_actions.clear();
    for (const QString& identifier : m_configuration.items) {
        QAction* action = nullptr;
        if (identifier == QLatin1String(ToolbarIdentifiers::separator)) {
            action = m_toolBar->addSeparator();
        } else if (identifier == QLatin1String(ToolbarIdentifiers::space) ||
                   identifier == QLatin1String(ToolbarIdentifiers::flexibleSpace)) {
            action = m_toolBar->addWidget(
                makeSpace(identifier == QLatin1String(ToolbarIdentifiers::flexibleSpace)));
        } else {
            const bool customize = identifier == QLatin1String(ToolbarIdentifiers::customize);
            const ToolbarItem item =
                customize ? standardItem(identifier) : m_delegate.toolbarItem(identifier);
            if (item.isEmpty())
                continue;
            action = m_toolBar->addAction(item.icon, item.label);
            action->setObjectName(identifier);
            action->setIconText(item.label);
            action->setToolTip(item.toolTip.isEmpty() ? item.label : item.toolTip);
            if (customize) {
                connect(action, &QAction::triggered, this,
                        &ToolbarController::runCustomizationPalette);
            } else if (item.action) {
                connect(action, &QAction::triggered, this, [this, run = item.action] {
                    run();
                    // What the action did may change what the others can do.
                    QTimer::singleShot(0, this, &ToolbarController::validateVisibleItems);
                });
            }
            action->setProperty(runnableProperty, customize || bool(item.action));
        }
        m_actions.append({identifier, action});
    }
    validateVisibleItems();
}

void ToolbarController::validateVisibleItems()
{
    for (const auto& [identifier, action] : std::as_const(m_actions)) {
        if (ToolbarIdentifiers::isStandard(identifier))
            continue;
        action->setEnabled(action->property(runnableProperty).toBool() &&
                           m_delegate.validateToolbarItem(identifier));
    }
}

QAction* ToolbarController::actionForItem(const QString& identifier) const
{
    for (const auto& [id, action] : m_actions)
        if (id == identifier)
            return action;
    return nullptr;
}

void ToolbarController::runCustomizationPalette()
{
    if (m_palette) {
        m_palette->raise();
        m_palette->activateWindow();
        return;
    }
    m_palette = new ToolbarCustomizeDialog(*this, m_window);
    m_palette->setAttribute(Qt::WA_DeleteOnClose);
    m_palette->open();
}

void ToolbarController::showContextMenu(const QPoint& position)
{
    QMenu menu(m_toolBar);
    auto* modes = new QActionGroup(&menu);
    const QPair<Qt::ToolButtonStyle, QString> choices[] = {
        {Qt::ToolButtonTextUnderIcon, localized("Toolbar", "Icon and Text")},
        {Qt::ToolButtonIconOnly, localized("Toolbar", "Icon Only")},
        {Qt::ToolButtonTextOnly, localized("Toolbar", "Text Only")},
    };
    for (const auto& [style, title] : choices) {
        QAction* choice = menu.addAction(title);
        choice->setCheckable(true);
        choice->setChecked(style == m_configuration.style);
        modes->addAction(choice);
        connect(choice, &QAction::triggered, this,
                [this, style = style] { setDisplayMode(style); });
    }
    menu.addSeparator();
    menu.addAction(localized("Toolbar", "Customize Toolbar..."), this,
                   &ToolbarController::runCustomizationPalette);
    menu.exec(m_toolBar->mapToGlobal(position));
}

bool ToolbarController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::WindowActivate)
        validateVisibleItems();
    return QObject::eventFilter(watched, event);
}
