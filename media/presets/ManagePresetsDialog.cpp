#include "ManagePresetsDialog.h"

#include "Localization.h"
#include "PresetDialogEnd.h"
#include "PresetListModel.h"
#include "Presets.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char Table[] = "Presets";

} // namespace

ManagePresetsDialog::ManagePresetsDialog(Presets& store, QWidget* parent)
    : QDialog(parent), m_store(&store)
{
    setWindowTitle(localized(Table, "Presets"));
    auto* layout = new QVBoxLayout(this);
    m_model = new PresetListModel(store, this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("presetList"));
    m_list->setModel(m_model);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
    m_list->setMinimumSize(280, 180);
    layout->addWidget(m_list);
    auto* hint = new QLabel(localized(Table, "Double-click a name to rename it."), this);
    hint->setObjectName(QStringLiteral("renameHint"));
    layout->addWidget(hint);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("renameNote"));
    m_note->setWordWrap(true);
    m_note->hide();
    layout->addWidget(m_note);

    auto* row = new QHBoxLayout;
    m_delete = new QPushButton(localized(Table, "Delete"), this);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_delete->setAutoDefault(false);
    row->addWidget(m_delete);
    row->addStretch();
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* done = buttons->addButton(localized(Table, "Done"), QDialogButtonBox::AcceptRole);
    done->setObjectName(QStringLiteral("doneButton"));
    done->setDefault(true);
    row->addWidget(buttons);
    layout->addLayout(row);

    // The Delete key deletes too, unless a name is being edited.
    auto* deleteKey = new QAction(m_list);
    deleteKey->setShortcuts({QKeySequence::Delete, QKeySequence(Qt::Key_Backspace)});
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(deleteKey);
    connect(deleteKey, &QAction::triggered, this, &ManagePresetsDialog::deleteSelected);

    connect(m_delete, &QPushButton::clicked, this, &ManagePresetsDialog::deleteSelected);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_model, &PresetListModel::renameRefused, this, [this](const QString& problem) {
        m_note->setText(problem);
        m_note->show();
    });
    connect(m_model, &QAbstractItemModel::dataChanged, m_note, &QLabel::hide);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ManagePresetsDialog::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ManagePresetsDialog::updateButtons);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &ManagePresetsDialog::updateButtons);
    connect(this, &QDialog::finished, this, [this] {
        if (m_store)
            PresetDialogEnd::finish(*m_store, parentWidget());
    });
    updateButtons();
}

ManagePresetsDialog* ManagePresetsDialog::start(Presets& store, QWidget* parent)
{
    auto* dialog = new ManagePresetsDialog(store, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->open();
    return dialog;
}

void ManagePresetsDialog::deleteSelected()
{
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    // From the last, so the rows before keep their numbers.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (int row : std::as_const(rows))
        m_model->removeRow(row);
    updateButtons();
}

void ManagePresetsDialog::done(int result)
{
    const QModelIndex current = m_list->currentIndex();
    if (QWidget* editor = current.isValid() ? m_list->indexWidget(current) : nullptr) {
        QAbstractItemDelegate* delegate = m_list->itemDelegateForIndex(current);
        emit delegate->commitData(editor);
        emit delegate->closeEditor(editor);
    }
    QDialog::done(result);
}

void ManagePresetsDialog::updateButtons()
{
    m_delete->setEnabled(m_list->selectionModel()->hasSelection());
}
