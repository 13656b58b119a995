#include "ScriptableAttachments.h"

ScriptableAttachments::~ScriptableAttachments() = default;
