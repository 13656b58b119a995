#include "DraftExtensions.h"

DraftExtensions& DraftExtensions::sharedInstance()
{
    static DraftExtensions extensions;
    return extensions;
}
