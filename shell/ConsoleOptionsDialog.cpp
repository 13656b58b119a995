#include "ConsoleOptionsDialog.h"

#include "ConsoleStyle.h"
#include "UserDefaults.h"
#include "ValueTransformers.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QPushButton>

ConsoleOptionsDialog::ConsoleOptionsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Console Options"));
    auto* form = new QFormLayout(this);

    auto* fontButton = new QPushButton(this);
    auto showFont = [fontButton] {
        const ConsoleStyle style = ConsoleStyle::fromDefaults();
        fontButton->setText(QStringLiteral("%1 %2")
                                .arg(fontDisplayName(style.font.family()))
                                .arg(style.font.pointSize()));
    };
    showFont();
    connect(fontButton, &QPushButton::clicked, this, [this, showFont] {
        chooseFont();
        showFont();
    });
    form->addRow(tr("Font:"), fontButton);

    const QList<QPair<QString, QString>> colours = {
        {QStringLiteral("console_bg_color"), tr("Background")},
        {QStringLiteral("console_text_color"), tr("Text")},
        {QStringLiteral("console_html_color"), tr("Tags")},
        {QStringLiteral("console_attr_color"), tr("Attribute values")},
        {QStringLiteral("console_brck_color"), tr("Brackets")}};
    for (const auto& [key, title] : colours) {
        auto* button = new QPushButton(tr("Choose..."), this);
        connect(button, &QPushButton::clicked, this,
                [this, key = key, title = title] { chooseColor(key, title); });
        form->addRow(title + QLatin1Char(':'), button);
    }

    auto* opacity = new QDoubleSpinBox(this);
    opacity->setRange(0.1, 1.0);
    opacity->setSingleStep(0.05);
    opacity->setValue(ConsoleStyle::fromDefaults().opacity);
    connect(opacity, &QDoubleSpinBox::valueChanged, this, [](double value) {
        UserDefaults::sharedInstance().setValue(QStringLiteral("console_alpha"), value);
    });
    form->addRow(tr("Opacity:"), opacity);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    form->addRow(buttons);
}

void ConsoleOptionsDialog::chooseFont()
{
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, ConsoleStyle::fromDefaults().font, this);
    if (!chosen)
        return;
    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.setValue(QStringLiteral("console_font"), font.family());
    defaults.setValue(QStringLiteral("console_font_size"), font.pointSizeF());
}

void ConsoleOptionsDialog::chooseColor(const QString& key, const QString& title)
{
    const rv::Color current = UserDefaults::sharedInstance().color(key);
    const QColor color =
        QColorDialog::getColor(current.toQColor(), this, title, QColorDialog::ShowAlphaChannel);
    if (color.isValid())
        UserDefaults::sharedInstance().setColor(key, rv::Color::fromQColor(color));
}
