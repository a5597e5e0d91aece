#include "app/cli/commands.h"

namespace dialtally {
namespace {

// clang-format off
const CliCommand kCommands[] = {
    {"events", "every record of the session log",
     "Usage: dialtally-cli [global options] events [--no-update]\n"
     "\n"
     "Prints every record of the session log, one line each: the time as\n"
     "YYYY-MM-DD hh:mm:ss (\"-\" when the record holds no usable time), the event code\n"
     "and the value, separated by tabs. Runs the log update first.\n"
     "\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunEvents},
    {"sessions", "the sessions rebuilt from the session log",
     "Usage: dialtally-cli [global options] sessions [--no-update]\n"
     "\n"
     "Prints the sessions rebuilt from the whole session log, one line each, separated\n"
     "by tabs: up, down (\"-\" when empty), bytes transmitted, bytes received and the\n"
     "seven error counters (CRC, timeout, alignment, overrun, framing, buffer overrun,\n"
     "incomplete packets). Runs the log update first.\n"
     "\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunSessions},
    {"update", "move the logger's new lines into the session log",
     "Usage: dialtally-cli [global options] update\n"
     "\n"
     "Renames the logger's data file Dtally.dat in the Windows folder to Dtally.wrk,\n"
     "appends a record to the session log for every line it recognises, deletes the\n"
     "work file and prints how many records it appended. The global option --system\n"
     "chooses the dialect of the lines.\n",
     RunUpdate},
};
// clang-format on

} // namespace

std::span<const CliCommand> CliCommands()
{
    return kCommands;
}

} // namespace dialtally
