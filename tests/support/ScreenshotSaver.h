#pragma once

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
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

// A web view draws beside the widget's backing store, so grab() shows it blank.
// Under an X display (xvfb-run with QT_QPA_PLATFORM=xcb) the screen holds what
// it drew; offscreen there is nothing to grab, and nothing is saved.
inline void saveScreenGrab(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("PLUMET_SCREENSHOT_DIR");
    if (folder.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QDir().mkpath(folder);
    QTest::qWait(500); // the engine's frame, for the eye only
    window->screen()
        ->grabWindow(window->winId())
        .save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace plumet::test
