#include "GeneralPreferencesWindow.h"

#include "ColorButton.h"
#include "DefaultsBinding.h"
#include "FactorySettings.h"
#include "NotificationCenter.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QSpinBox* spinBox(int minimum, int maximum, const QString& suffix = {})
{
    auto* box = new QSpinBox;
    box->setRange(minimum, maximum);
    box->setSuffix(suffix);
    return box;
}

// A check box followed on the same line by a number it switches.
QWidget* inLine(QWidget* first, QWidget* second, const QString& after = {})
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(first);
    layout->addWidget(second);
    if (!after.isEmpty())
        layout->addWidget(new QLabel(after));
    layout->addStretch();
    return row;
}

} // namespace

GeneralPreferencesWindow::GeneralPreferencesWindow(UserDefaults& defaults,
                                                   NotificationCenter& center,
                                                   const QVariantMap& factory, QWidget* parent)
    : QWidget(parent, Qt::Window), m_defaults(defaults), m_center(center), m_factory(factory),
      m_binding(new DefaultsBinding(defaults, center, this))
{
    setWindowTitle(tr("Preferences"));
    setObjectName(QStringLiteral("generalPreferences"));

    auto* tabs = new QTabWidget;
    tabs->addTab(makeStartupPage(), tr("General"));
    tabs->addTab(makeEditingPage(), tr("Editing"));
    tabs->addTab(makeEntriesPage(), tr("Entries"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* factoryButton =
        buttons->addButton(tr("Factory Settings"), QDialogButtonBox::ResetRole);
    factoryButton->setObjectName(QStringLiteral("factorySettings"));
    connect(factoryButton, &QPushButton::clicked, this, &GeneralPreferencesWindow::factorySettings);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

QWidget* GeneralPreferencesWindow::makeStartupPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* launch = new QGroupBox(tr("When plumet starts"));
    auto* launchForm = new QFormLayout(launch);
    auto* draftOption = new QComboBox;
    draftOption->addItems({tr("Open a new draft"), tr("Open no draft")});
    m_binding->bindIndex(draftOption, QStringLiteral("draft_option"));
    launchForm->addRow(tr("Without other drafts:"), draftOption);
    auto* remember = new QCheckBox(tr("Reopen the drafts that were open at the last quit"));
    m_binding->bind(remember, QStringLiteral("remember_open_drafts"));
    launchForm->addRow(remember);
    auto* refresh = new QCheckBox(tr("Refresh the entries of the selected blog"));
    m_binding->bind(refresh, QStringLiteral("refresh_option"));
    launchForm->addRow(refresh);
    auto* animation = new QCheckBox(tr("Play the start-up animation"));
    m_binding->bind(animation, QStringLiteral("startup_animation"));
    launchForm->addRow(animation);
    auto* updates = new QCheckBox(tr("Check for new versions"));
    m_binding->bind(updates, QStringLiteral("versionCheck"));
    launchForm->addRow(updates);
    layout->addWidget(launch);

    auto* saving = new QGroupBox(tr("Saving"));
    auto* savingForm = new QFormLayout(saving);
    auto* autoSaveOn = new QCheckBox(tr("Save accounts and drafts automatically every"));
    m_binding->bind(autoSaveOn, QStringLiteral("shouldAutoSave"));
    auto* minutes = spinBox(1, 120);
    m_binding->bind(minutes, QStringLiteral("autoSave"));
    savingForm->addRow(inLine(autoSaveOn, minutes, tr("minutes")));
    layout->addWidget(saving);

    auto* network = new QGroupBox(tr("Network"));
    auto* networkForm = new QFormLayout(network);
    // The HTTP calls take 90 s for anything outside this range.
    auto* timeout = spinBox(90, 600, tr(" s"));
    m_binding->bind(timeout, QStringLiteral("timeout"));
    networkForm->addRow(tr("Wait for a server's answer:"), timeout);
    layout->addWidget(network);

    layout->addStretch();
    return page;
}

QWidget* GeneralPreferencesWindow::makeEditingPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* editor = new QGroupBox(tr("Drafts"));
    auto* form = new QFormLayout(editor);
    auto* editorKind = new QComboBox;
    editorKind->addItems({tr("Rich text"), tr("HTML source")});
    m_binding->bindIndex(editorKind, QStringLiteral("usesHTMLEditor"));
    form->addRow(tr("New drafts open in:"), editorKind);
    auto* fixedRich = new QCheckBox(tr("Show rich text read-only (edit in the source only)"));
    m_binding->bind(fixedRich, QStringLiteral("fixedRichText"));
    form->addRow(fixedRich);
    auto* spelling = new QCheckBox(tr("Check spelling while typing"));
    m_binding->bind(spelling, QStringLiteral("spell_check"));
    form->addRow(spelling);
    auto* postDate = new QCheckBox(tr("Keep the date of a new post when publishing it"));
    m_binding->bind(postDate, QStringLiteral("post_date_option"));
    form->addRow(postDate);
    auto* opacity = new QSlider(Qt::Horizontal);
    opacity->setRange(10, 100);
    m_binding->bind(opacity, QStringLiteral("alpha_draft"), 100.0);
    form->addRow(tr("Draft window opacity:"), opacity);
    layout->addWidget(editor);

    auto* summary = new QGroupBox(tr("Summaries"));
    auto* summaryForm = new QFormLayout(summary);
    auto* autoSummary = new QCheckBox(tr("Fill an empty summary before publishing"));
    m_binding->bind(autoSummary, QStringLiteral("summary_check"));
    summaryForm->addRow(autoSummary);
    auto* sentences = spinBox(1, 20, tr(" sentences"));
    m_binding->bind(sentences, QStringLiteral("summary_num"));
    summaryForm->addRow(tr("Summary length:"), sentences);
    layout->addWidget(summary);

    auto* attachments = new QGroupBox(tr("Attachments"));
    auto* attachmentForm = new QFormLayout(attachments);
    auto* expire = new QCheckBox(tr("Let uploaded attachments expire after"));
    m_binding->bind(expire, QStringLiteral("attachment_option"));
    auto* days = spinBox(0, 365);
    m_binding->bind(days, QStringLiteral("remove_attachment_days"));
    attachmentForm->addRow(inLine(expire, days, tr("days")));
    auto* sheet = new QCheckBox(tr("Show the attachment settings for each new file"));
    m_binding->bind(sheet, QStringLiteral("attachment_sheet_on_add"));
    attachmentForm->addRow(sheet);
    layout->addWidget(attachments);

    layout->addStretch();
    return page;
}

QWidget* GeneralPreferencesWindow::makeEntriesPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* fetching = new QGroupBox(tr("Fetching"));
    auto* fetchForm = new QFormLayout(fetching);
    auto* count = spinBox(1, 500);
    m_binding->bind(count, QStringLiteral("num_entries"));
    fetchForm->addRow(tr("Entries per request:"), count);
    auto* keep = new QCheckBox(tr("Keep entries the server no longer lists"));
    m_binding->bind(keep, QStringLiteral("keep_old_entries"));
    fetchForm->addRow(keep);
    layout->addWidget(fetching);

    auto* list = new QGroupBox(tr("Entries list"));
    auto* listForm = new QFormLayout(list);
    auto* fontSize = spinBox(8, 32, tr(" pt"));
    m_binding->bind(fontSize, QStringLiteral("listFontSize"));
    listForm->addRow(tr("Text size:"), fontSize);
    const QList<QPair<QString, QString>> colours = {
        {QStringLiteral("local_color"), tr("Local only")},
        {QStringLiteral("published_color"), tr("Published")},
        {QStringLiteral("draft_color"), tr("Draft on the server")},
        {QStringLiteral("edited_color"), tr("Changed since publishing")},
        {QStringLiteral("deleted_color"), tr("Being deleted")},
    };
    for (const auto& [key, title] : colours) {
        auto* button = new ColorButton(title);
        button->setObjectName(key);
        m_binding->bind(button, key, QStringLiteral("labelChanged"));
        listForm->addRow(title + QLatin1Char(':'), button);
    }
    layout->addWidget(list);

    layout->addStretch();
    return page;
}

void GeneralPreferencesWindow::factorySettings()
{
    FactorySettings::apply(m_defaults, m_factory);
    // The entries list repaints with the factory colours.
    m_center.post(QStringLiteral("labelChanged"));
}
