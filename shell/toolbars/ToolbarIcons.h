#pragma once

#include <QIcon>
#include <QString>

// Toolbar pictures: the desktop icon theme's where it has one of that name,
// else a picture of our own resources.
namespace ToolbarIcons {

QIcon themed(const QString& themeName, const QString& fallbackPath);

} // namespace ToolbarIcons
