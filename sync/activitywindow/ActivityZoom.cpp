#include "ActivityZoom.h"

namespace ActivityZoom {

QRect standardFrame(const QRect& window, int listHeight, int requiredHeight, int requiredWidth,
                    const QRect& screen)
{
    // Grow or shrink by what the list lacks, keeping the top edge where it is.
    const int lack = requiredHeight - listHeight;
    int height = window.height() + lack;
    int y = window.y() - lack;
    int width = requiredWidth;
    int x = window.x();

    const int right = screen.x() + screen.width();
    if (x + width > right) {
        x = right - width - 20;
        if (x < 0) {
            x = 0;
            width = screen.width() - screen.x();
        }
    }
    const int top = screen.y() + screen.height();
    if (y + height > top) {
        y = top - height - 20;
        if (y < 0) {
            y = 0;
            height = screen.height() - screen.y();
        }
    }
    // Never below the usable area: what does not fit scrolls (the top edge stays).
    if (y < screen.y()) {
        height -= screen.y() - y;
        y = screen.y();
    }
    return QRect(x, y, width, height);
}

QRect fromScreen(const QRect& rect, int screenBottom)
{
    return QRect(rect.x(), screenBottom - (rect.y() + rect.height()), rect.width(), rect.height());
}

QRect toScreen(const QRect& rect, int screenBottom)
{
    return QRect(rect.x(), screenBottom - (rect.y() + rect.height()), rect.width(), rect.height());
}

} // namespace ActivityZoom
