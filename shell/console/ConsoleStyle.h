#pragma once

#include "ConsoleColorizer.h"

#include <QColor>
#include <QFont>
#include <QTextCharFormat>

// The console's look, from the console_* preferences (with their factory
// values when unset): one font, four text colours, the background and the
// window's opacity.
struct ConsoleStyle {
    QFont font;
    QColor background;
    QColor text;
    QColor code;
    QColor attribute;
    QColor bracket;
    double opacity = 0.95;

    static ConsoleStyle fromDefaults();
    // The user's fixed-pitch font at 9 points.
    static QFont defaultFont();

    // The colour of a role; every role shares the view's font.
    QTextCharFormat format(ConsoleRole role) const;
};
