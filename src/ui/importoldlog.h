#pragma once

#include "platform/places.h"

class QWidget;

namespace dialtally {

class ProgressBar;

// At start-up, before the session log is first loaded: when the program folder holds a log of
// the previous format ("Dtally.log"), the user is offered to convert it (Yes), to drop it without
// converting (No, then OK; it is kept as "OldLog.log"), or to decide at the next start (Cancel).
// The conversion reports in the bar and ends with a message; the bar's text is empty afterwards.
void ImportOldLog(QWidget* parent, const Places& places, ProgressBar& bar);

} // namespace dialtally
