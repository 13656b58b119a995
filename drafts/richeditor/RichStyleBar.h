#pragma once

#include "RichSelectionState.h"

#include <QHash>
#include <QWidget>

class QToolButton;

// The rich editor's style commands, one toggle button each.
enum class RichStyle {
    Bold,
    Italic,
    Underline,
    AlignLeft,
    AlignJustify,
    AlignCenter,
    AlignRight,
    Blockquote,
    OrderedList,
    UnorderedList
};

// The style bar above a rich editor: ten toggle buttons that follow the
// selection (showState) and ask for a style (styleRequested) when pressed.
class RichStyleBar : public QWidget {
    Q_OBJECT
public:
    explicit RichStyleBar(QWidget* parent = nullptr);

    // Sets every button from the selection; alignment falls back to
    // `defaultAlignment`, then to "left".
    void showState(const RichSelectionState& state, const QString& defaultAlignment);
    // Enables or disables the whole bar.
    void setButtonsEnabled(bool enabled);

    QToolButton* button(RichStyle style) const { return m_buttons.value(style); }
    bool isOn(RichStyle style) const;

signals:
    // A button was pressed; `on` is its new state.
    void styleRequested(RichStyle style, bool on);

private:
    void addButton(RichStyle style, const QString& iconName, const QString& text,
                   const QString& toolTip);
    void buttonPressed(RichStyle style);

    QHash<RichStyle, QToolButton*> m_buttons;
};
