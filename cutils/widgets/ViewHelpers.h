#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>

class QLineEdit;
class QWidget;

// Small chores on widgets. Main thread only.
namespace cutils {

// Hides or shows every direct child widget of `view`.
void toggleSubViewVisibility(QWidget* view, bool hidden);

// Takes every direct child widget out of `window` (its central widget when it is a
// QMainWindow that has one) without deleting it. The returned widgets have no parent:
// the caller owns them and may put them back.
[[nodiscard]] QList<QWidget*> removeSubViews(QWidget* window);

// Walking the direct children of `view` from last to first, the first editable line edit.
QLineEdit* getFirstTextField(QWidget* view);

// A rectangle of `size` centred in `rect`.
QRectF centerRect(const QSizeF& size, const QRectF& rect);

} // namespace cutils
