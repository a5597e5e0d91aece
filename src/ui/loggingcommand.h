#pragma once

#include "platform/places.h"

namespace dialtally {

class frmMain;
class PictureBox;
class TwipsScale;

// The Logging command of the main window (the button cmdLogging and the menu item mnuLog): it
// switches logging off when it is on and on when it is off, and says so. When the switch fails
// nothing is said and the display stays as it was.
void RunLoggingCommand(frmMain& window, const Places& places);

// The check at the end of the first activation: it shows the logging state, says when no dial-up
// adapter is found, and on the first run switches logging on when it is off.
void CheckLoggingAtStartUp(frmMain& window, const Places& places, bool firstRun);

// The indicator picEnable: green with "Logging On" or red with "Logging Off", the text in black
// in the indicator's font, a little left of and above the centre where the design puts it.
void DrawLoggingIndicator(PictureBox& indicator, const TwipsScale& scale, bool on);

} // namespace dialtally
