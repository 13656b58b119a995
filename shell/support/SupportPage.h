#pragma once

#include <QUrl>

// The project's support page, where the activity window's look-up button
// (and anything else that sends the user for help) leads. One address for the
// whole program; settable, so a packager or a test can point it elsewhere.
namespace SupportPage {

QUrl address();
void setAddress(const QUrl& address);

} // namespace SupportPage
