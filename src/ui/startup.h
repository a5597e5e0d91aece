#pragma once

#include "platform/places.h"

#include <memory>

namespace dialtally {

class frmMain;

// The start of the desktop program up to its main window. On the first run the agreement
// (frmWelcome, with the shipped "license.txt") comes first; its acceptance is kept in the
// settings store, and the main window is told that this is the first run. Null when the user
// cancelled the agreement: the program then ends before its main window exists, and the next
// start asks again.
std::unique_ptr<frmMain> StartMainWindow(const Places& places);

} // namespace dialtally
