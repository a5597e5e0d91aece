#pragma once

#include "control/loggingplaces.h"

#include <QString>
#include <cstdint>

namespace dialtally {

// Connection data reaches the program only while the dial-up adapter's logging option is on and
// the companion logger runs; logging is on when both are. A change of the adapter's option takes
// effect after the computer is restarted, as the messages say.

// False when the adapter cannot be found or its "Logging" value cannot be read; otherwise true,
// with on = the option is 1 and a logger runs.
bool GetLoggingState(const LoggingPlaces& places, bool& on);
// Switching on writes the option and then starts the logger at login and now (unless one runs);
// switching off writes the option, removes the start at login and closes every logger. False
// when the option cannot be written or the logger cannot be started (the option may already be
// changed then).
bool SetLogging(const LoggingPlaces& places, bool on);

// What the program says when no adapter is found: the adapter message; on a system that is
// neither Windows 95 nor 98 (family 0) the text that the version is not supported. Line breaks
// "\r\n".
QString MissingAdapterMessage(std::int16_t windowsFamily);
// What the Logging command says after it switched logging; the line break is a carriage return.
QString LoggingSwitchedMessage(bool on);
// What the first run says after it switched logging on by itself.
QString FirstRunLoggingMessage();

} // namespace dialtally
