#pragma once

#include "analysis/settings.h"
#include "log/progress.h"
#include "log/sessionlog.h"
#include "log/update.h"
#include "platform/places.h"

#include <QString>

namespace dialtally {

// The log as every reader of it sees it (the window, the command line, the graph, the
// benchmarks): the update, the sessions read and built, their durations with the connect-time
// allowance, and their costs when the log holds a real session.
struct PricedLog {
    SessionList sessions;
    UpdateReport update;  // what the update did; nothing when it was skipped
    QString readError;    // why the session log could not be read; the sessions hold what was
                          // read before
    bool priced = false;  // the costs were calculated
};

enum class LogUpdate { Run, Skip };

// Advances bar as ReadSessionList does, then shows "Analysing log.." and advances it once more
// before the costs, as the window's refresh reports it. A read failure still gives a list.
PricedLog LoadPricedLog(const Places& places, const LoadedSettings& settings, ProgressBar* bar,
                        LogUpdate update = LogUpdate::Run);

} // namespace dialtally
