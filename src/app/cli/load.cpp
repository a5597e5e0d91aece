#include "app/cli/load.h"

#include "log/update.h"

namespace dialtally {

void RunUpdateUnless(const CommandArgs& parsed)
{
    if (!parsed.Has(kNoUpdateOption.name))
        UpdateSessionLog();
}

} // namespace dialtally
