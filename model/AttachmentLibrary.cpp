#include "AttachmentLibrary.h"

AttachmentLibrary::~AttachmentLibrary() = default;
