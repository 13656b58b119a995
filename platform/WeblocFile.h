#pragma once

#include <QString>

// The address a web-location file (".webloc") points to. Newer ones keep it in
// their data as a property list with the key "URL"; older ones only in the
// string resource 'url ' 256 of their resource fork, which reaches Linux as an
// AppleDouble companion "._name". Read-only.
namespace WeblocFile {

// The file extension, matched case-sensitively.
inline constexpr auto extension = "webloc";

// The address, or a null string when neither place holds a readable one.
QString address(const QString& path);

} // namespace WeblocFile
