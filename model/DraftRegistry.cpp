#include "DraftRegistry.h"

DraftRegistry::~DraftRegistry() = default;
