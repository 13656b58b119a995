#include "CustomTagDispatch.h"

#include "DraftEditor.h"
#include "RVTag.h"

#include <QWidget>

namespace CustomTagDispatch {

DraftEditor* focusedEditor(QWidget* window)
{
    if (!window)
        return nullptr;
    QWidget* focus = window->window()->focusWidget();
    return focus ? DraftEditor::containing(focus) : nullptr;
}

void tagClickAction(const RVTag& tag, QWidget* sender)
{
    if (!sender || !tag.isUsable())
        return;
    if (DraftEditor* editor = focusedEditor(sender))
        editor->applyCustomTag(tag);
}

} // namespace CustomTagDispatch
