#pragma once

#include <QVariantMap>

class UserDefaults;

// The "Factory Settings" button: puts the general preferences back as a new
// installation has them. The find panel's and the console's preferences are
// left alone, the start-up animation is turned off and the response time-out
// is written out.
namespace FactorySettings {

// `registered` is the factory table registered at start-up; the list colours
// are taken from it.
void apply(UserDefaults& defaults, const QVariantMap& registered);

// The keys apply() writes, in the order it writes them.
QStringList keys();

} // namespace FactorySettings
