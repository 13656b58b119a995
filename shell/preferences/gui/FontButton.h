#pragma once

#include <QFont>
#include <QPointer>
#include <QPushButton>

class QFontDialog;

// Shows a font as "Family size" and opens the font chooser beside the window,
// without blocking it. The chosen font is reported by family and point size.
class FontButton : public QPushButton {
    Q_OBJECT
public:
    explicit FontButton(QWidget* parent = nullptr);

    // Shows the font named `family` at `points`; a family this machine does not
    // have shows (and opens the chooser with) the system font at its size.
    void showFont(const QString& family, double points);
    QFont shownFont() const { return m_font; }

signals:
    void fontChosen(const QString& family, double points);

private:
    void choose();

    QFont m_font;
    QPointer<QFontDialog> m_dialog;
};
