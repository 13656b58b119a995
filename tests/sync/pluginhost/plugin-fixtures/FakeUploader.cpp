#include "FakeUploader.h"
