#pragma once

#include "analysis/analysis.h"
#include "app/cli/cliargs.h"
#include "log/datetime.h"

#include <QStringList>
#include <initializer_list>

namespace dialtally {

inline const OptionSpec kJsonOption{QStringLiteral("--json"), false};
inline const OptionSpec kFromOption{QStringLiteral("--from"), true};
inline const OptionSpec kToOption{QStringLiteral("--to"), true};
inline const OptionSpec kToEndOption{QStringLiteral("--to-end"), false};

// Parses a command's options; no positional words are taken. False with status set to the exit
// status on a usage error.
bool ParseCommand(const QStringList& args, std::initializer_list<OptionSpec> specs,
                  CommandArgs& parsed, int& status);

// The period of --from, --to and --to-end; not chosen when none of them is given.
struct Period {
    bool chosen = false;
    DateTime from;
    DateTime to;
    bool toEnd = false;
};

// A period needs its first day and either its last day or --to-end, and must not end before it
// begins. Anything else is refused rather than read as some other period.
bool ParsePeriod(const CommandArgs& parsed, Period& period, int& status);

// The statistics of the period, or of the whole list when none was chosen.
Statistics AnalysePeriod(const SessionList& sessions, const Period& period);

// sessions and stats: the same options and load, then the chosen period printed as JSON or text.
using PeriodPrinter = void (*)(const SessionList& sessions, const Statistics& range);
int RunPeriodReport(const QStringList& args, PeriodPrinter printJson, PeriodPrinter printText);

} // namespace dialtally
