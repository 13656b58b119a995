#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>

class QAbstractButton;

// Sets a button up in one call: title, enabled state, what a click does,
// keyboard shortcut and visibility, in that order. Replaces earlier click handlers
// set through this function.
void configureButton(QAbstractButton* button, const QString& title, bool enabled,
                     std::function<void()> action, const QKeySequence& key, bool hidden);
