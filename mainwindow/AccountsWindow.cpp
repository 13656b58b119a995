#include "AccountsWindow.h"

#include "AccountsTableController.h"
#include "AccountsTableModel.h"
#include "ColorButton.h"
#include "LabelCellDelegate.h"
#include "Localization.h"
#include "PaletteColors.h"
#include "SystemFont.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString text(const char* source)
{
    return localized("AccountController", source);
}

} // namespace

AccountsWindow::AccountsWindow(AccountsTableModel& model, QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(text("Accounts"));
    setObjectName(QStringLiteral("accountsWindow"));

    m_table = new QTableView;
    m_table->setModel(&model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setShowGrid(false);
    m_table->setWordWrap(true);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setColumnWidth(AccountsTableModel::TitleColumn, 180);
    m_table->setColumnWidth(AccountsTableModel::AddressColumn, 260);
    // The label colour runs across the row with rounded ends.
    m_table->setItemDelegateForColumn(
        AccountsTableModel::TitleColumn,
        new LabelCellDelegate(CellGeometry::LabelPart::Left, m_table));
    m_table->setItemDelegateForColumn(
        AccountsTableModel::AddressColumn,
        new LabelCellDelegate(CellGeometry::LabelPart::Middle, m_table));
    m_table->setItemDelegateForColumn(
        AccountsTableModel::SystemColumn,
        new LabelCellDelegate(CellGeometry::LabelPart::Right, m_table));
    m_tableController = new AccountsTableController(m_table);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_table, 1);
    // Hidden, the details box gives its height to the table.
    layout->addWidget(makeDetailsBox());
    setCentralWidget(central);
    resize(620, 460);
}

AccountsWindow::~AccountsWindow() = default;

QWidget* AccountsWindow::makeDetailsBox()
{
    m_details = new QGroupBox(text("Account"));
    m_title = new QLineEdit;
    m_label = new ColorButton(text("Label Colour"));
    m_system = new QComboBox;
    m_address = new QLineEdit;
    m_address->setPlaceholderText(QStringLiteral("https://example.com/blog/xmlrpc.php"));
    m_user = new QLineEdit;
    m_password = new QLineEdit;
    m_password->setEchoMode(QLineEdit::Password);

    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(m_title, 1);
    titleRow->addWidget(m_label);
    m_more = new QPushButton(text("Get More..."));
    m_more->setAutoDefault(false);
    auto* systemRow = new QHBoxLayout;
    systemRow->addWidget(m_system, 1);
    systemRow->addWidget(m_more);

    auto* form = new QFormLayout;
    form->addRow(text("Title:"), titleRow);
    form->addRow(text("Blog system:"), systemRow);
    form->addRow(text("Access point:"), m_address);
    form->addRow(text("User name:"), m_user);
    form->addRow(text("Password:"), m_password);

    m_help = new QPushButton(QStringLiteral("?"));
    m_help->setToolTip(text("Help on accounts"));
    m_help->setAutoDefault(false);
    m_help->setFixedWidth(m_help->sizeHint().height());
    m_update = new QPushButton(text("Update"));
    m_update->setToolTip(text("Saves the changes and updates the account from the server"));
    m_update->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_help);
    buttons->addStretch();
    buttons->addWidget(m_update);

    auto* layout = new QVBoxLayout(m_details);
    layout->addLayout(form);
    layout->addLayout(buttons);
    return m_details;
}

void AccountsWindow::applyListFontSize(double points)
{
    const QFont font = systemFontOfSize(points > 0 ? points : 11);
    m_table->setFont(font);
    const int rowHeight = qMax(QFontMetrics(font).height(), int(points + 4));
    m_table->verticalHeader()->setMinimumSectionSize(1);
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight);
}

void AccountsWindow::applyBackground(const QColor& color)
{
    // The lists' colour, laid over the palette's window, with labels that read on it.
    PaletteColors::setBackground(*this, QPalette::Window, color, QApplication::palette(this));
    setAutoFillBackground(true);
    update();
}

void AccountsWindow::setPluginKeys(const QList<QPair<QString, QString>>& systems,
                                   const QString& current)
{
    const QSignalBlocker quiet(m_system);
    m_system->clear();
    for (const auto& [key, name] : systems)
        m_system->addItem(name, key);
    if (!current.isEmpty() && m_system->findData(current) < 0)
        m_system->addItem(current, current);
    m_system->setCurrentIndex(m_system->findData(current));
}
