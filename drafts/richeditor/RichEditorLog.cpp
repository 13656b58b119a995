#include "RichEditorLog.h"

Q_LOGGING_CATEGORY(lcRichEditor, "plumet.ui.richeditor")
