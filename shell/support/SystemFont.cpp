#include "SystemFont.h"

#include <QFontDatabase>

QFont systemFontOfSize(qreal points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // Qt counts points at 96 per inch on a standard screen.
    font.setPointSizeF(points * 72.0 / 96.0);
    return font;
}
