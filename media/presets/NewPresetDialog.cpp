#include "NewPresetDialog.h"

#include "Attachment.h"
#include "Localization.h"
#include "PresetDialogEnd.h"
#include "Presets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char Table[] = "Presets";

} // namespace

NewPresetDialog::NewPresetDialog(Presets& store, const AttachmentPtr& attachment, QWidget* parent)
    : QDialog(parent), m_store(&store), m_attachment(attachment)
{
    setWindowTitle(localized(Table, "New Preset"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("presetName"));
    m_name->setMinimumWidth(260);
    form->addRow(localized(Table, "Preset name:"), m_name);
    layout->addLayout(form);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("nameNote"));
    m_note->setWordWrap(true);
    layout->addWidget(m_note);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(localized(Table, "Cancel"));
    m_save = buttons->addButton(localized(Table, "Save"), QDialogButtonBox::AcceptRole);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &NewPresetDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NewPresetDialog::reject);
    connect(m_name, &QLineEdit::textChanged, this, &NewPresetDialog::updateState);
    connect(this, &QDialog::finished, this, &NewPresetDialog::finish);

    setName(localized("Draft", "Untitled"));
}

NewPresetDialog* NewPresetDialog::start(Presets& store, const AttachmentPtr& attachment,
                                        QWidget* parent)
{
    auto* dialog = new NewPresetDialog(store, attachment, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->open();
    return dialog;
}

QString NewPresetDialog::name() const
{
    return m_name->text();
}

void NewPresetDialog::setName(const QString& name)
{
    m_name->setText(name);
    m_name->selectAll();
    updateState();
}

void NewPresetDialog::updateState()
{
    const Presets::NameProblem problem =
        m_store ? m_store->nameProblem(name()) : Presets::NameProblem::Blank;
    m_save->setEnabled(problem != Presets::NameProblem::Blank);
    switch (problem) {
    case Presets::NameProblem::None:
        m_save->setText(localized(Table, "Save"));
        m_note->clear();
        break;
    case Presets::NameProblem::Blank:
        m_save->setText(localized(Table, "Save"));
        m_note->setText(Presets::nameProblemText(problem, name()));
        break;
    case Presets::NameProblem::Taken:
        m_save->setText(localized(Table, "Replace"));
        m_note->setText(localized(Table, "A preset named \u201C%1\u201D already exists; saving "
                                         "replaces it.")
                            .arg(Presets::cleanName(name())));
        break;
    }
    m_note->setVisible(!m_note->text().isEmpty());
}

void NewPresetDialog::accept()
{
    // Return in the field reaches here too: a blank name is never saved.
    if (!m_store || m_store->nameProblem(name()) == Presets::NameProblem::Blank)
        return;
    QDialog::accept();
}

void NewPresetDialog::finish(int result)
{
    if (!m_store)
        return;
    const AttachmentPtr attachment = m_attachment.lock();
    if (result == QDialog::Accepted && attachment)
        m_store->addPreset(name(), *attachment);
    PresetDialogEnd::finish(*m_store, parentWidget());
}
