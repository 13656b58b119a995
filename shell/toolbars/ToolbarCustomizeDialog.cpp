#include "ToolbarCustomizeDialog.h"

#include "Localization.h"
#include "ToolbarController.h"
#include "ToolbarDelegate.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr int iconSide = 24;

// Separators and spaces have no picture of their own: a line, or a gap
// between two ticks (with arrows for the flexible one).
QIcon standardPicture(const QString& identifier, const QPalette& palette)
{
    QPixmap picture(iconSide, iconSide);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette.color(QPalette::Mid), 1.5));
    const int middle = iconSide / 2;
    if (identifier == QLatin1String(ToolbarIdentifiers::separator)) {
        painter.drawLine(middle, 3, middle, iconSide - 3);
    } else {
        painter.drawLine(3, 7, 3, iconSide - 7);
        painter.drawLine(iconSide - 3, 7, iconSide - 3, iconSide - 7);
        if (identifier == QLatin1String(ToolbarIdentifiers::flexibleSpace)) {
            painter.drawLine(6, middle, iconSide - 6, middle);
            painter.drawLine(6, middle, 9, middle - 3);
            painter.drawLine(6, middle, 9, middle + 3);
            painter.drawLine(iconSide - 6, middle, iconSide - 9, middle - 3);
            painter.drawLine(iconSide - 6, middle, iconSide - 9, middle + 3);
        }
    }
    return QIcon(picture);
}

} // namespace

ToolbarCustomizeDialog::ToolbarCustomizeDialog(ToolbarController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller)
{
    setWindowTitle(localized("Toolbar", "Customize Toolbar"));
    setWindowModality(Qt::WindowModal);

    auto* intro = new QLabel(localized(
        "Toolbar", "Add the items you use to the toolbar and put them in the order you like."));
    intro->setWordWrap(true);

    m_available = new QListWidget;
    m_available->setIconSize(QSize(iconSide, iconSide));
    m_available->setSelectionMode(QAbstractItemView::SingleSelection);
    m_current = new QListWidget;
    m_current->setIconSize(QSize(iconSide, iconSide));
    m_current->setSelectionMode(QAbstractItemView::SingleSelection);
    m_current->setDragDropMode(QAbstractItemView::InternalMove);
    m_current->setDefaultDropAction(Qt::MoveAction);

    m_addButton = new QPushButton(localized("Toolbar", "Add"));
    m_removeButton = new QPushButton(localized("Toolbar", "Remove"));
    m_upButton = new QPushButton(localized("Toolbar", "Move Up"));
    m_downButton = new QPushButton(localized("Toolbar", "Move Down"));
    for (QPushButton* button : {m_addButton, m_removeButton, m_upButton, m_downButton})
        button->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_removeButton);
    buttons->addSpacing(12);
    buttons->addWidget(m_upButton);
    buttons->addWidget(m_downButton);
    buttons->addStretch();

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(localized("Toolbar", "Available items:")), 0, 0);
    lists->addWidget(new QLabel(localized("Toolbar", "Toolbar:")), 0, 2);
    lists->addWidget(m_available, 1, 0);
    lists->addLayout(buttons, 1, 1);
    lists->addWidget(m_current, 1, 2);

    m_display = new QComboBox;
    m_display->addItem(localized("Toolbar", "Icon and Text"), int(Qt::ToolButtonTextUnderIcon));
    m_display->addItem(localized("Toolbar", "Icon Only"), int(Qt::ToolButtonIconOnly));
    m_display->addItem(localized("Toolbar", "Text Only"), int(Qt::ToolButtonTextOnly));
    m_display->setCurrentIndex(qMax(0, m_display->findData(int(controller.displayMode()))));
    auto* defaults = new QPushButton(localized("Toolbar", "Use Default Set"));
    defaults->setAutoDefault(false);
    auto* done = new QPushButton(localized("Toolbar", "Done"));
    done->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(localized("Toolbar", "Show:")));
    bottom->addWidget(m_display);
    bottom->addSpacing(12);
    bottom->addWidget(defaults);
    bottom->addStretch();
    bottom->addWidget(done);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);

    connect(m_addButton, &QPushButton::clicked, this, &ToolbarCustomizeDialog::addSelectedItem);
    connect(m_removeButton, &QPushButton::clicked, this,
            &ToolbarCustomizeDialog::removeSelectedItems);
    connect(m_upButton, &QPushButton::clicked, this, [this] { moveSelectedItem(-1); });
    connect(m_downButton, &QPushButton::clicked, this, [this] { moveSelectedItem(1); });
    connect(defaults, &QPushButton::clicked, this, &ToolbarCustomizeDialog::useDefaultSet);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_available, &QListWidget::itemDoubleClicked, this,
            &ToolbarCustomizeDialog::addSelectedItem);
    connect(m_available, &QListWidget::currentRowChanged, this,
            &ToolbarCustomizeDialog::updateButtons);
    connect(m_current, &QListWidget::currentRowChanged, this,
            &ToolbarCustomizeDialog::updateButtons);
    // A drag within the toolbar list reorders the toolbar.
    // (later: the list is rebuilt, which it must not be inside its own drop)
    connect(m_current->model(), &QAbstractItemModel::rowsMoved, this,
            &ToolbarCustomizeDialog::takeOrderFromList, Qt::QueuedConnection);
    connect(m_display, &QComboBox::activated, this, [this] {
        m_controller.setDisplayMode(Qt::ToolButtonStyle(m_display->currentData().toInt()));
    });
    auto* remove = new QShortcut(QKeySequence::Delete, m_current);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &ToolbarCustomizeDialog::removeSelectedItems);
    auto* backspace = new QShortcut(QKeySequence(Qt::Key_Backspace), m_current);
    backspace->setContext(Qt::WidgetShortcut);
    connect(backspace, &QShortcut::activated, this, &ToolbarCustomizeDialog::removeSelectedItems);

    reload();
    resize(560, 420);
}

void ToolbarCustomizeDialog::reload()
{
    const QString selected = m_available->currentItem()
                                 ? m_available->currentItem()->data(Qt::UserRole).toString()
                                 : QString();
    m_available->clear();
    for (const QString& identifier : m_controller.delegate().toolbarAllowedItemIdentifiers()) {
        ToolbarItem item = ToolbarIdentifiers::isStandard(identifier)
                               ? ToolbarController::standardItem(identifier)
                               : m_controller.delegate().toolbarItem(identifier);
        if (item.isEmpty() && !ToolbarIdentifiers::isStandard(identifier))
            continue;
        if (item.icon.isNull())
            item.icon = standardPicture(identifier, palette());
        auto* row = new QListWidgetItem(item.icon, item.shownInPalette(), m_available);
        row->setData(Qt::UserRole, identifier);
        row->setToolTip(item.toolTip);
        if (identifier == selected)
            m_available->setCurrentItem(row);
    }
    fillToolbarList(m_current->currentRow());
}

void ToolbarCustomizeDialog::fillToolbarList(int selectRow)
{
    m_filling = true;
    m_current->clear();
    const QStringList items = m_controller.itemIdentifiers();
    for (const QString& identifier : items) {
        ToolbarItem item = ToolbarIdentifiers::isStandard(identifier)
                               ? ToolbarController::standardItem(identifier)
                               : m_controller.delegate().toolbarItem(identifier);
        if (item.icon.isNull())
            item.icon = standardPicture(identifier, palette());
        auto* row = new QListWidgetItem(item.icon, item.shownInPalette(), m_current);
        row->setData(Qt::UserRole, identifier);
    }
    if (!items.isEmpty() && selectRow >= 0)
        m_current->setCurrentRow(qMin(selectRow, int(items.size()) - 1));
    m_filling = false;
    // Items that may stand only once are offered only while not in the toolbar.
    for (int row = 0; row < m_available->count(); ++row) {
        QListWidgetItem* offered = m_available->item(row);
        const QString identifier = offered->data(Qt::UserRole).toString();
        const bool placed =
            !ToolbarIdentifiers::isRepeatable(identifier) && items.contains(identifier);
        offered->setFlags(placed ? Qt::ItemIsSelectable : Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    updateButtons();
}

QStringList ToolbarCustomizeDialog::currentItems() const
{
    QStringList items;
    for (int row = 0; row < m_current->count(); ++row)
        items.append(m_current->item(row)->data(Qt::UserRole).toString());
    return items;
}

void ToolbarCustomizeDialog::takeOrderFromList()
{
    if (m_filling)
        return;
    const int row = m_current->currentRow();
    m_controller.setItemIdentifiers(currentItems());
    fillToolbarList(row);
}

void ToolbarCustomizeDialog::addSelectedItem()
{
    QListWidgetItem* offered = m_available->currentItem();
    if (!offered || !(offered->flags() & Qt::ItemIsEnabled))
        return;
    QStringList items = m_controller.itemIdentifiers();
    const int at = m_current->currentRow() >= 0 ? m_current->currentRow() + 1 : int(items.size());
    items.insert(at, offered->data(Qt::UserRole).toString());
    m_controller.setItemIdentifiers(items);
    fillToolbarList(at);
}

void ToolbarCustomizeDialog::removeSelectedItems()
{
    const int row = m_current->currentRow();
    if (row < 0)
        return;
    QStringList items = m_controller.itemIdentifiers();
    if (row >= items.size())
        return;
    items.removeAt(row);
    m_controller.setItemIdentifiers(items);
    fillToolbarList(row);
}

void ToolbarCustomizeDialog::moveSelectedItem(int by)
{
    const int row = m_current->currentRow();
    QStringList items = m_controller.itemIdentifiers();
    const int to = row + by;
    if (row < 0 || row >= items.size() || to < 0 || to >= items.size())
        return;
    items.move(row, to);
    m_controller.setItemIdentifiers(items);
    fillToolbarList(to);
}

void ToolbarCustomizeDialog::useDefaultSet()
{
    m_controller.resetToDefaultItems();
    fillToolbarList(-1);
}

void ToolbarCustomizeDialog::updateButtons()
{
    const QListWidgetItem* offered = m_available->currentItem();
    m_addButton->setEnabled(offered && (offered->flags() & Qt::ItemIsEnabled));
    const int row = m_current->currentRow();
    m_removeButton->setEnabled(row >= 0);
    m_upButton->setEnabled(row > 0);
    m_downButton->setEnabled(row >= 0 && row < m_current->count() - 1);
}
