#include "ViewHelpers.h"

#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QWidget>

namespace cutils {

namespace {

QList<QWidget*> directChildWidgets(const QWidget* view)
{
    return view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
}

} // namespace

void toggleSubViewVisibility(QWidget* view, bool hidden)
{
    if (!view)
        return;
    for (QWidget* child : directChildWidgets(view))
        child->setHidden(hidden);
}

QList<QWidget*> removeSubViews(QWidget* window)
{
    if (!window)
        return {};
    QWidget* content = window;
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window);
        mainWindow && mainWindow->centralWidget())
        content = mainWindow->centralWidget();

    const QList<QWidget*> children = directChildWidgets(content);
    // Repaint once, after the last one is gone, not once per child.
    content->setUpdatesEnabled(false);
    for (QWidget* child : children) {
        if (QLayout* layout = content->layout())
            layout->removeWidget(child);
        child->hide();
        child->setParent(nullptr);
    }
    content->setUpdatesEnabled(true);
    return children;
}

QLineEdit* getFirstTextField(QWidget* view)
{
    if (!view)
        return nullptr;
    const QList<QWidget*> children = directChildWidgets(view);
    for (auto child = children.crbegin(); child != children.crend(); ++child) {
        if (auto* field = qobject_cast<QLineEdit*>(*child); field && !field->isReadOnly())
            return field;
    }
    return nullptr;
}

QRectF centerRect(const QSizeF& size, const QRectF& rect)
{
    const QPointF origin(rect.x() + (rect.width() - size.width()) * 0.5,
                         rect.y() + (rect.height() - size.height()) * 0.5);
    return {origin, size};
}

} // namespace cutils
