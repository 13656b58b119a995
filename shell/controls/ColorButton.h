#pragma once

#include <QColor>
#include <QPointer>
#include <QToolButton>

class QColorDialog;

// A swatch that opens a colour chooser (with opacity) beside the window,
// without blocking it, and reports the colour the user settles on.
class ColorButton : public QToolButton {
    Q_OBJECT
public:
    explicit ColorButton(const QString& title, QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    // Shows the colour; does not report it.
    void setColor(const QColor& color);

signals:
    void colorChosen(const QColor& color);

private:
    void choose();

    QColor m_color;
    QString m_title;
    QPointer<QColorDialog> m_dialog;
};
