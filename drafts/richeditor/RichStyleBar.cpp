#include "RichStyleBar.h"

#include <QFont>
#include <QHBoxLayout>
#include <QIcon>
#include <QToolButton>

namespace {

bool isAlignment(RichStyle style)
{
    return style == RichStyle::AlignLeft || style == RichStyle::AlignJustify ||
           style == RichStyle::AlignCenter || style == RichStyle::AlignRight;
}

} // namespace

RichStyleBar::RichStyleBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    addButton(RichStyle::Bold, QStringLiteral("format-text-bold"), tr("B"), tr("Bold"));
    addButton(RichStyle::Italic, QStringLiteral("format-text-italic"), tr("I"), tr("Italic"));
    addButton(RichStyle::Underline, QStringLiteral("format-text-underline"), tr("U"),
              tr("Underline"));
    layout->addSpacing(8);
    addButton(RichStyle::AlignLeft, QStringLiteral("format-justify-left"), tr("Left"),
              tr("Align Left"));
    addButton(RichStyle::AlignJustify, QStringLiteral("format-justify-fill"), tr("Justify"),
              tr("Justify"));
    addButton(RichStyle::AlignCenter, QStringLiteral("format-justify-center"), tr("Center"),
              tr("Center"));
    addButton(RichStyle::AlignRight, QStringLiteral("format-justify-right"), tr("Right"),
              tr("Align Right"));
    layout->addSpacing(8);
    addButton(RichStyle::Blockquote, QStringLiteral("format-indent-more"), tr("Quote"),
              tr("Block Quote"));
    addButton(RichStyle::OrderedList, QStringLiteral("format-list-ordered"), tr("1."),
              tr("Numbered List"));
    addButton(RichStyle::UnorderedList, QStringLiteral("format-list-unordered"), tr("\u2022"),
              tr("Bulleted List"));
    layout->addStretch(1);

    QFont font = button(RichStyle::Bold)->font();
    font.setBold(true);
    button(RichStyle::Bold)->setFont(font);
    font = button(RichStyle::Italic)->font();
    font.setItalic(true);
    button(RichStyle::Italic)->setFont(font);
    font = button(RichStyle::Underline)->font();
    font.setUnderline(true);
    button(RichStyle::Underline)->setFont(font);
}

void RichStyleBar::addButton(RichStyle style, const QString& iconName, const QString& text,
                             const QString& toolTip)
{
    auto* button = new QToolButton(this);
    button->setCheckable(true);
    button->setText(text);
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus); // the caret stays in the editor
    const QIcon icon = QIcon::fromTheme(iconName);
    if (!icon.isNull() && style != RichStyle::Bold && style != RichStyle::Italic &&
        style != RichStyle::Underline) {
        button->setIcon(icon);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    connect(button, &QToolButton::clicked, this, [this, style] { buttonPressed(style); });
    static_cast<QHBoxLayout*>(layout())->addWidget(button);
    m_buttons.insert(style, button);
}

void RichStyleBar::buttonPressed(RichStyle style)
{
    QToolButton* pressed = m_buttons.value(style);
    if (isAlignment(style)) {
        // Alignment buttons act as a group: the pressed one is on in any case.
        for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it) {
            if (isAlignment(it.key()))
                it.value()->setChecked(it.key() == style);
        }
        emit styleRequested(style, true);
        return;
    }
    emit styleRequested(style, pressed->isChecked());
}

bool RichStyleBar::isOn(RichStyle style) const
{
    QToolButton* b = m_buttons.value(style);
    return b && b->isChecked();
}

void RichStyleBar::showState(const RichSelectionState& state, const QString& defaultAlignment)
{
    QString alignment = state.alignment;
    if (alignment.isEmpty())
        alignment = defaultAlignment;
    if (alignment.isEmpty())
        alignment = QStringLiteral("left");
    const auto set = [&](RichStyle style, bool on) { m_buttons.value(style)->setChecked(on); };
    set(RichStyle::AlignLeft, alignment == QLatin1String("left"));
    set(RichStyle::AlignJustify, alignment == QLatin1String("justify"));
    set(RichStyle::AlignCenter, alignment == QLatin1String("center"));
    set(RichStyle::AlignRight, alignment == QLatin1String("right"));
    set(RichStyle::Bold, state.bold);
    set(RichStyle::Italic, state.italic);
    set(RichStyle::Underline, state.underline);
    set(RichStyle::Blockquote, state.blockquote);
    set(RichStyle::OrderedList, state.orderedList);
    set(RichStyle::UnorderedList, state.unorderedList);
}

void RichStyleBar::setButtonsEnabled(bool enabled)
{
    for (QToolButton* b : std::as_const(m_buttons))
        b->setEnabled(enabled);
}
