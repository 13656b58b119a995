#include "ConsoleOptionsDialog.h"

#include "ConsoleStyle.h"
#include "Localization.h"
#include "UserDefaults.h"
#include "ValueTransformers.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QPushButton>

namespace {

const char* const table = "ConsoleOptionsDialog";

} // namespace

ConsoleOptionsDialog::ConsoleOptionsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(localized(table, "Console Options"));
    auto* form = new QFormLayout(this);

    m_fontButton = new QPushButton(this);
    m_fontButton->setObjectName(QStringLiteral("console_font"));
    showFont();
    connect(m_fontButton, &QPushButton::clicked, this, &ConsoleOptionsDialog::chooseFont);
    form->addRow(localized(table, "Font:"), m_fontButton);

    const QList<QPair<QString, QString>> colours = {
        {QStringLiteral("console_bg_color"), localized(table, "Background")},
        {QStringLiteral("console_text_color"), localized(table, "Text")},
        {QStringLiteral("console_html_color"), localized(table, "Tags")},
        {QStringLiteral("console_attr_color"), localized(table, "Attribute values")},
        {QStringLiteral("console_brck_color"), localized(table, "Brackets")}};
    for (const auto& [key, title] : colours) {
        auto* button = new QPushButton(localized(table, "Choose..."), this);
        button->setObjectName(key);
        connect(button, &QPushButton::clicked, this,
                [this, key = key, title = title] { chooseColor(key, title); });
        form->addRow(title + QLatin1Char(':'), button);
    }

    auto* opacity = new QDoubleSpinBox(this);
    opacity->setObjectName(QStringLiteral("console_alpha"));
    opacity->setRange(0.1, 1.0);
    opacity->setSingleStep(0.05);
    opacity->setValue(ConsoleStyle::fromDefaults().opacity);
    connect(opacity, &QDoubleSpinBox::valueChanged, this, [](double value) {
        UserDefaults::sharedInstance().setValue(QStringLiteral("console_alpha"), value);
    });
    form->addRow(localized(table, "Opacity:"), opacity);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    form->addRow(buttons);
}

void ConsoleOptionsDialog::showFont()
{
    const ConsoleStyle style = ConsoleStyle::fromDefaults();
    m_fontButton->setText(QStringLiteral("%1 %2")
                              .arg(fontDisplayName(style.font.family()))
                              .arg(style.font.pointSize()));
}

// The font and colour panels open over the sheet and answer by signal: a
// blocking panel would hold the whole program in its own event loop.
void ConsoleOptionsDialog::chooseFont()
{
    auto* panel = new QFontDialog(ConsoleStyle::fromDefaults().font, this);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFontDialog::fontSelected, this, [this](const QFont& font) {
        UserDefaults& defaults = UserDefaults::sharedInstance();
        defaults.setValue(QStringLiteral("console_font"), font.family());
        defaults.setValue(QStringLiteral("console_font_size"), font.pointSizeF());
        showFont();
    });
    panel->open();
}

void ConsoleOptionsDialog::chooseColor(const QString& key, const QString& title)
{
    const rv::Color current = UserDefaults::sharedInstance().color(key);
    auto* panel = new QColorDialog(current.toQColor(), this);
    panel->setWindowTitle(title);
    panel->setOption(QColorDialog::ShowAlphaChannel);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QColorDialog::colorSelected, this, [key](const QColor& color) {
        if (color.isValid())
            UserDefaults::sharedInstance().setColor(key, rv::Color::fromQColor(color));
    });
    panel->open();
}
