#pragma once

#include <QIcon>
#include <QPixmap>

namespace dialtally {

// The program's own icon (drawn as SVG, shipped inside the program), at the sizes a window and
// the desktop ask for.
QIcon ProgramIcon();
// The icon drawn at size × size pixels.
QPixmap ProgramIconPixmap(int size);

} // namespace dialtally
