#pragma once

#include "platform/places.h"

#include <memory>

namespace dialtally {

class frmMain;

// The start of the desktop program up to its main window. On the first run (IsFirstRun) the
// agreement (frmWelcome, with the shipped "license.txt") comes first; the main window keeps the
// mark of the first run once its first activation is done, so the agreement is accepted once.
// Null when the user cancelled the agreement: the program then ends before its main window
// exists, and the next start asks again.
std::unique_ptr<frmMain> StartMainWindow(const Places& places);

} // namespace dialtally
