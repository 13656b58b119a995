#pragma once

#include <QImage>

namespace views {

// The program's large icon (256 × 256), drawn over the screen flash and in the
// About box.
QImage coverPicture();

} // namespace views
