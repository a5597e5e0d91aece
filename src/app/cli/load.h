#pragma once

#include "analysis/settings.h"
#include "app/cli/cliargs.h"
#include "log/sessionlog.h"

#include <string>

namespace dialtally {

// Every load of the program runs the log update first; the commands that read the session log do
// the same unless they were given --no-update. An update that fails or has something to say is
// reported on stderr; the report goes on with the log as it is.
inline const OptionSpec kNoUpdateOption{QStringLiteral("--no-update"), false};
void RunUpdateUnless(const CommandArgs& parsed);

// The sessions as a load of the program gets them: the update (unless --no-update), then the
// session log read and built in one pass. A log that cannot be read is reported on stderr and
// status is set to the exit status.
bool LoadSessionsForCli(const CommandArgs& parsed, SessionList& sessions, int& status);

// The log as the program loads it: the settings, the update (unless --no-update), the sessions,
// their durations with the allowance, and their costs when there is a real session. A damaged
// settings store stops the report before anything else is done: its costs would be wrong.
struct AnalysedLog {
    LoadedSettings settings;
    SessionList sessions;
};
bool LoadAnalysedLog(const CommandArgs& parsed, AnalysedLog& log, int& status);

// Output is built in blocks: a log of hundreds of thousands of sessions prints in seconds. Prints
// and empties out once it holds a megabyte.
void PrintIfLarge(std::string& out);

} // namespace dialtally
