#pragma once

#include <QString>

// Which of two version texts is the newer one. A version is numbers joined by
// dots ("3.0.1"), where one component may carry an alpha or beta mark and its
// number ("3.1a2", "3.0b2", "3.0 beta 2"). Numbers decide first, compared
// component by component with missing ones counting as 0; between equal
// numbers alpha comes before beta before the release, and a higher alpha or
// beta number is newer. Text that is no number reads as 0.
namespace VersionRules {

bool isNewer(const QString& current, const QString& offered);

} // namespace VersionRules
