#pragma once

#include "app/cli/cliargs.h"

namespace dialtally {

// Every load of the program runs the log update first; the commands that read the session log do
// the same unless they were given --no-update. The update's result is not checked, as in a load.
inline const OptionSpec kNoUpdateOption{QStringLiteral("--no-update"), false};
void RunUpdateUnless(const CommandArgs& parsed);

} // namespace dialtally
