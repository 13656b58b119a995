#include "FontButton.h"

#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>

FontButton::FontButton(QWidget* parent) : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &FontButton::choose);
    showFont(QString(), 0);
}

void FontButton::showFont(const QString& family, double points)
{
    if (!family.isEmpty() && QFontDatabase::hasFamily(family)) {
        m_font = QFont(family);
        if (points >= 1.0)
            m_font.setPointSize(int(points)); // whole points, as the chooser shows them
    } else {
        m_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    }
    setText(QStringLiteral("%1 %2").arg(m_font.family()).arg(m_font.pointSize()));
}

void FontButton::choose()
{
    if (!m_dialog) {
        m_dialog = new QFontDialog(m_font, this);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &QFontDialog::fontSelected, this, [this](const QFont& chosen) {
            // No font chosen: the user's fixed-pitch font at 9 points.
            QFont font = chosen;
            if (font.family().isEmpty()) {
                font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
                font.setPointSize(9);
            }
            const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
            showFont(font.family(), points);
            emit fontChosen(font.family(), points);
        });
    }
    m_dialog->setCurrentFont(m_font);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}
