#pragma once

#include "generate/generator.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace dialtally {

// A made-up syslog of a Linux machine whose pppd dials out now and then: pppd's messages among
// those of other programs, with traditional stamps ("Dec 11 09:00:05", no year, so at most a year
// of them). Seeded like the adapter logs. Beside the usual connections it holds what a reader of
// pppd's messages must get right: both orders of the closing lines (older and newer pppd), two
// pppd processes at once, connections across midnight and across the new year (when the months
// hold one), a pppd restarted inside a connection, a connection without its "Sent" line, and one
// of more than 5 GB.

// A connection as the generated lines tell it, with the session it must become: up at its
// "Connect:" line, down at its "Connection terminated." line (or the last line of a pppd that
// died), and the bytes as the session log holds them (at most 2,147,483,647; 0 when pppd did not
// tell).
struct GeneratedConnection {
    std::int64_t pid = 0;
    DateTime up;
    DateTime down;
    std::int32_t transmitted = 0;
    std::int32_t received = 0;
};

// Each line without its line end, with its time; quiet: no pppd connection is under way after it,
// so a reader that stops there has every connection before it whole.
using PppdLineVisitor = std::function<bool(std::string_view line, DateTime time, bool quiet)>;

struct GeneratedPppdSyslog {
    std::vector<GeneratedConnection> connections; // in the order they came up
    DateTime lastLine;
};

// Uses the sessions, months, start month and seed of the options; the months must be 1 to 12.
// Calls visit for every line in order until it returns false.
GeneratedPppdSyslog GeneratePppdSyslog(const GeneratorOptions& options,
                                       const PppdLineVisitor& visit);

} // namespace dialtally
