#pragma once

#include <QString>

// Which of two version texts is the newer one. A version is numbers joined by
// dots ("3.0.1"), where one component may carry a pre-release mark and its
// number ("3.1a2", "3.0b2", "3.0 beta 2", "3.0rc1"). Numbers decide first,
// compared component by component with missing ones counting as 0; between
// equal numbers alpha comes before beta before a release candidate (any other
// mark) before the release, and a higher mark number is newer. Text that is no
// number reads as 0. The application, the updater and its helper all decide
// with this one comparison.
namespace VersionRules {

bool isNewer(const QString& current, const QString& offered);

// Something a version can be read from: it starts with a digit.
bool isVersion(const QString& text);

} // namespace VersionRules
