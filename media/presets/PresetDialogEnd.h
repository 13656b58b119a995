#pragma once

class Presets;
class QWidget;

// What follows each preset dialog: the store writes a change and tells of it
// ("presetsChanged"); a file that cannot be written is said in an alert over
// `alertParent`.
namespace PresetDialogEnd {

void finish(Presets& store, QWidget* alertParent);

} // namespace PresetDialogEnd
