#include "app/cli/load.h"

#include "log/update.h"
#include "platform/folders.h"

namespace dialtally {

void RunUpdateUnless(const CommandArgs& parsed)
{
    if (!parsed.Has(kNoUpdateOption.name))
        UpdateSessionLog();
}

bool LoadSessionsForCli(const CommandArgs& parsed, SessionList& sessions, int& status)
{
    RunUpdateUnless(parsed);
    QString error;
    if (!ReadSessions(ProgramFolder(), sessions, &error)) {
        status = FileFailure(error);
        return false;
    }
    return true;
}

} // namespace dialtally
