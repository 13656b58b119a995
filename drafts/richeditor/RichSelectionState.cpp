#include "RichSelectionState.h"

#include <QJsonDocument>
#include <QJsonObject>

RichSelectionState RichSelectionState::fromJson(const QString& json)
{
    const QJsonObject object = QJsonDocument::fromJson(json.toUtf8()).object();
    const auto flag = [&](const char* key) { return object.value(QLatin1String(key)).toBool(); };
    RichSelectionState state;
    state.hasSelection = flag("hasSelection");
    state.collapsed = object.value(QLatin1String("collapsed")).toBool(true);
    state.bold = flag("bold");
    state.italic = flag("italic");
    state.underline = flag("underline");
    state.alignment = object.value(QLatin1String("alignment")).toString();
    state.blockquote = flag("blockquote");
    state.orderedList = flag("orderedList");
    state.unorderedList = flag("unorderedList");
    state.canUndo = flag("canUndo");
    state.canRedo = flag("canRedo");
    state.composing = flag("composing");
    return state;
}
