#pragma once

#include "control/loggingplaces.h"

namespace dialtally {

// The companion logger "dtallywr" as the logging control starts, finds and closes it. A running
// logger is found by its registration (platform/processes.h), which stands in for its window.

// Run the logger with "/autorun on" or "/autorun off", which switch its start at login, and wait
// (a bounded time) until it is done; true when it succeeded.
bool StartLoggerAutorunOn(const LoggingPlaces& places);
bool StartLoggerAutorunOff(const LoggingPlaces& places);
// Starts the logger and waits up to kLoggerRegistrationMs for it to register, so that a search
// right afterwards finds it; false when it could not be started or did not register in time.
bool StartLogger(const LoggingPlaces& places);
bool IsLoggerRunning(const LoggingPlaces& places);
// Asks every running logger to close until none is left. Each logger is asked once and given
// kLoggerCloseMs to finish; one that stays is not asked again, so the loop ends. True when at
// least one logger was closed.
bool CloseLogger(const LoggingPlaces& places);

inline constexpr int kLoggerRegistrationMs = 5000;
inline constexpr int kLoggerCloseMs = 5000;

} // namespace dialtally
