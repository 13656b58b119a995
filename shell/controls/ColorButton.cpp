#include "ColorButton.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

ColorButton::ColorButton(const QString& title, QWidget* parent)
    : QToolButton(parent), m_title(title)
{
    setAccessibleName(title);
    setToolTip(title);
    setIconSize(QSize(36, 14));
    connect(this, &QToolButton::clicked, this, &ColorButton::choose);
    setColor(Qt::white);
}

void ColorButton::setColor(const QColor& color)
{
    m_color = color;
    QPixmap swatch(iconSize());
    swatch.fill(Qt::transparent);
    QPainter painter(&swatch);
    // A checkerboard under the colour shows how transparent it is.
    const int cell = 4;
    for (int y = 0; y < swatch.height(); y += cell)
        for (int x = 0; x < swatch.width(); x += cell)
            painter.fillRect(x, y, cell, cell, ((x + y) / cell) % 2 ? Qt::lightGray : Qt::white);
    painter.fillRect(swatch.rect(), color);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    painter.end();
    setIcon(QIcon(swatch));
}

void ColorButton::choose()
{
    if (!m_dialog) {
        m_dialog = new QColorDialog(m_color, this);
        m_dialog->setWindowTitle(m_title);
        m_dialog->setOption(QColorDialog::ShowAlphaChannel);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &QColorDialog::colorSelected, this, [this](const QColor& color) {
            setColor(color);
            emit colorChosen(color);
        });
    }
    m_dialog->setCurrentColor(m_color);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}
