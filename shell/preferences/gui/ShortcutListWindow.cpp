#include "ShortcutListWindow.h"

#include "AddonMenuShortcuts.h"
#include "AddonShortcuts.h"
#include "ShortcutSheet.h"
#include "ShortcutString.h"
#include "UserDefaults.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int TitleRole = Qt::UserRole;
constexpr int HasSubmenuRole = Qt::UserRole + 1;

} // namespace

ShortcutListWindow::ShortcutListWindow(UserDefaults& defaults, QWidget* parent)
    : QWidget(parent, Qt::Window), m_defaults(defaults)
{
    setWindowTitle(tr("Add-on Shortcuts"));
    setObjectName(QStringLiteral("addonShortcuts"));

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("shortcutList"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({tr("Menu Item"), tr("Shortcut")});
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->setRootIsDecorated(true);
    m_list->setItemsExpandable(false); // sub-actions stay in view
    m_list->setExpandsOnDoubleClick(false);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            &ShortcutListWindow::selectionChanged);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { setShortcut(); });

    m_shortcutButton = new QPushButton(tr("Set Shortcut…"));
    m_shortcutButton->setObjectName(QStringLiteral("shortcutButton"));
    m_shortcutButton->setEnabled(false);
    connect(m_shortcutButton, &QPushButton::clicked, this, &ShortcutListWindow::setShortcut);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_shortcutButton);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Double-click an item to give it a shortcut.")));
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);
    resize(420, 360);
}

void ShortcutListWindow::setAddonsMenu(QMenu* menu)
{
    m_menu = menu;
    applyCustomShortcuts();
}

void ShortcutListWindow::showList()
{
    reload();
    m_shortcutButton->setEnabled(false);
    show();
    raise();
    activateWindow();
}

void ShortcutListWindow::applyCustomShortcuts()
{
    AddonMenuShortcuts::apply(m_menu, AddonShortcuts::read(m_defaults));
    reload();
}

void ShortcutListWindow::reload()
{
    const QMap<QString, QString> stored = AddonShortcuts::read(m_defaults);
    auto makeItem = [&stored](QAction* action) {
        const QString title = AddonMenuShortcuts::titleOf(action);
        auto* item =
            new QTreeWidgetItem({title, ShortcutString::toNativeText(stored.value(title))});
        item->setData(0, TitleRole, title);
        item->setData(0, HasSubmenuRole, action->menu() != nullptr);
        return item;
    };
    m_list->clear();
    for (QAction* action : AddonMenuShortcuts::addonItems(m_menu)) {
        QTreeWidgetItem* item = makeItem(action);
        m_list->addTopLevelItem(item);
        if (QMenu* submenu = action->menu()) {
            for (QAction* sub : submenu->actions()) {
                if (!sub->isSeparator())
                    item->addChild(makeItem(sub));
            }
        }
    }
    m_list->expandAll();
}

void ShortcutListWindow::selectionChanged()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    m_shortcutButton->setEnabled(item && item->isSelected() &&
                                 !item->data(0, HasSubmenuRole).toBool());
}

void ShortcutListWindow::setShortcut()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || item->data(0, HasSubmenuRole).toBool() || m_sheet)
        return;
    const QString title = item->data(0, TitleRole).toString();
    m_sheet = new ShortcutSheet(title, AddonShortcuts::shortcutFor(m_defaults, title), this);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_sheet, &QDialog::finished, this,
            [this, title](int result) { sheetFinished(result, title); });
    m_sheet->open();
}

void ShortcutListWindow::sheetFinished(int result, const QString& title)
{
    if (result != QDialog::Accepted || !m_sheet)
        return;
    AddonShortcuts::store(m_defaults, title, m_sheet->stored());
    applyCustomShortcuts();
}
