#include "SourceEditorLog.h"

Q_LOGGING_CATEGORY(lcSourceEditor, "plumet.ui.sourceeditor")
