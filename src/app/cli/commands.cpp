#include "app/cli/commands.h"

namespace dialtally {
namespace {

// clang-format off
const CliCommand kCommands[] = {
    {"events", "every record of the session log",
     "Usage: dialtally-cli [global options] events\n"
     "\n"
     "Prints every record of the session log, one line each: the time as\n"
     "YYYY-MM-DD hh:mm:ss (\"-\" when the record holds no usable time), the event code\n"
     "and the value, separated by tabs.\n",
     RunEvents},
    {"sessions", "the sessions rebuilt from the session log",
     "Usage: dialtally-cli [global options] sessions\n"
     "\n"
     "Prints the sessions rebuilt from the whole session log, one line each, separated\n"
     "by tabs: up, down (\"-\" when empty), bytes transmitted, bytes received and the\n"
     "seven error counters (CRC, timeout, alignment, overrun, framing, buffer overrun,\n"
     "incomplete packets).\n",
     RunSessions},
};
// clang-format on

} // namespace

std::span<const CliCommand> CliCommands()
{
    return kCommands;
}

} // namespace dialtally
