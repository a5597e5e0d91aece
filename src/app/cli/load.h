#pragma once

#include "app/cli/cliargs.h"
#include "log/sessionlog.h"

namespace dialtally {

// Every load of the program runs the log update first; the commands that read the session log do
// the same unless they were given --no-update. The update's result is not checked, as in a load.
inline const OptionSpec kNoUpdateOption{QStringLiteral("--no-update"), false};
void RunUpdateUnless(const CommandArgs& parsed);

// The sessions as a load of the program gets them: the update (unless --no-update), then the
// session log read and built in one pass. A log that cannot be read is reported on stderr and
// status is set to the exit status.
bool LoadSessionsForCli(const CommandArgs& parsed, SessionList& sessions, int& status);

} // namespace dialtally
