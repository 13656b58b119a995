#pragma once

// A network header that names a record header in angle brackets: still a back edge.
#include <Record.h>
