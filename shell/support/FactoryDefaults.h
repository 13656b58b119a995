#pragma once

#include <QVariantMap>

// The program's preferences as they stand on a new installation. Registered at
// start-up, before anything reads a preference; never written to disk, so a
// later version can change them for users who never touched them.
namespace FactoryDefaults {

QVariantMap values();

// Registers values() with the standard user defaults.
void registerAll();

} // namespace FactoryDefaults
