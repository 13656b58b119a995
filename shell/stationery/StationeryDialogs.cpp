#include "StationeryDialogs.h"

#include "Localization.h"
#include "StationeryListModel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const char Table[] = "AppControl";
}

SaveStationeryDialog::SaveStationeryDialog(const QString& name, QWidget* parent)
    : QDialog(parent), m_field(new QLineEdit(name, this))
{
    setWindowTitle(localized(Table, "Save as Stationery"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(localized(Table, "Stationery name:"), m_field);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_field->selectAll();
    setMinimumWidth(360);
}

QString SaveStationeryDialog::name() const
{
    return m_field->text();
}

ManageStationeriesDialog::ManageStationeriesDialog(Stationeries* stationeries, QWidget* parent)
    : QDialog(parent), m_model(new StationeryListModel(stationeries, this)),
      m_list(new QListView(this)), m_removeButton(new QPushButton(localized(Table, "Remove"), this))
{
    setWindowTitle(localized(Table, "Stationeries"));
    m_list->setModel(m_model);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(localized(Table, "Double-click a name to change it."), this));
    layout->addWidget(m_list, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(m_removeButton);
    row->addStretch();
    auto* done = new QPushButton(localized(Table, "Done"), this);
    done->setDefault(true);
    row->addWidget(done);
    layout->addLayout(row);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_removeButton, &QPushButton::clicked, this, &ManageStationeriesDialog::removeSelected);
    auto enableRemove = [this] {
        m_removeButton->setEnabled(m_list->selectionModel()->hasSelection());
    };
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, enableRemove);
    connect(m_model, &QAbstractItemModel::modelReset, this, enableRemove);
    enableRemove();
    resize(320, 300);
}

void ManageStationeriesDialog::removeSelected()
{
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    // From the bottom up, so the rows still to go keep their numbers.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : rows)
        m_model->removeRows(row, 1);
}
