#pragma once

#include <QString>

// Orders titles as a person would: letter case ignored, numbers by value
// ("Post 9" before "Post 10"), by the user's locale. Answers <0, 0 or >0;
// descending flips less and greater, equal stays equal.
int compareNatural(const QString& first, const QString& second, bool ascending = true);
