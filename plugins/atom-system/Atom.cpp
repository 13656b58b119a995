#include "Atom.h"

Atom::Atom() = default;
