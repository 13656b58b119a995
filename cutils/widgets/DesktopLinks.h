#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// The one rule for what leaves plumet for the desktop (the browser, the mail
// program): http and https addresses with a host, and mailto addresses. A
// link in a post or an address a server returned may name any scheme
// (javascript:, file:, smb:, a program's own); none of those is handed on.
// Main thread only.
namespace DesktopLinks {

bool mayLeave(const QUrl& url);

// The status bar's line for an address that was not opened.
QString refusal(const QUrl& url);

// Hands `url` to the desktop when it may leave; otherwise says so in the
// status bar of `context`'s window, or of the program's main window when
// that one has none. True when the address was handed on.
bool open(const QUrl& url, const QWidget* context = nullptr);

} // namespace DesktopLinks
