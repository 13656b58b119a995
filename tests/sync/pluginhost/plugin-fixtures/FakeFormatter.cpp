#include "FakeFormatter.h"
