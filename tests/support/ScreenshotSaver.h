#pragma once

#include <QDir>
#include <QWidget>

namespace plumet::test {

// With PLUMET_SCREENSHOT_DIR set, GUI tests save what a window looks like
// there, for a look by eye. Header only: the GUI tests link Qt Widgets.
inline void saveScreenshot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("PLUMET_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace plumet::test
