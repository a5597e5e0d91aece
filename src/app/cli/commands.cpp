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
    {"sessions", "the sessions of the log or of a period, with durations and costs",
     "Usage: dialtally-cli [global options] sessions [--from DATE (--to DATE | --to-end)]\n"
     "                                       [--json] [--no-update]\n"
     "\n"
     "Prints the session table: starting time, session length, bytes transmitted and\n"
     "received, telephone and service costs (with the tariffs of the settings store),\n"
     "for the whole log or for the sessions that start in a period of days. Dates,\n"
     "times and money follow the locale. Runs the log update first.\n"
     "\n"
     "  --from DATE   first day of the period: YYYY-MM-DD or the locale's short date\n"
     "  --to DATE     last day of the period\n"
     "  --to-end      the period runs to the end of the log\n"
     "  --json        an array of objects: index, up, down (YYYY-MM-DDThh:mm:ss or\n"
     "                null), durationSeconds, durationText, transmitted, received,\n"
     "                communicationCost, serviceCost (null when off), crcErrors,\n"
     "                timeoutErrors, alignmentErrors, overrunErrors, framingErrors,\n"
     "                bufferOverrunErrors, incompletePackets\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunSessionReport},
    {"stats", "the statistics of the log or of a period",
     "Usage: dialtally-cli [global options] stats [--from DATE (--to DATE | --to-end)]\n"
     "                                    [--json] [--no-update]\n"
     "\n"
     "Prints the statistics page: time period, longest and shortest connection,\n"
     "average connection time, number of sessions and the seven error totals, for\n"
     "the whole log or a period (options as for sessions).\n"
     "\n"
     "  --json        one object: first, last, selection, firstUp, lastDown, longestUp,\n"
     "                longestDown, longestMinutes, shortestUp, shortestDown,\n"
     "                shortestMinutes, averageMinutes, sessionCount, errors (CRC,\n"
     "                timeout, alignment, overrun, framing, buffer overrun, incomplete)\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunStats},
    {"months", "usage, costs and bytes per month, with the averages",
     "Usage: dialtally-cli [global options] months [--json] [--no-update]\n"
     "\n"
     "Prints the monthly summary of the whole log: minutes online, telephone costs,\n"
     "service costs (with the provider's monthly flat fee), their sum and the bytes\n"
     "transmitted and received per month, and the averages of the months. A month is\n"
     "a run of sessions in the same calendar month, or in the same billing cycle when\n"
     "billingStartDay (see settings) is not 1: a cycle from the 12th shows as\n"
     "\"12 Jan – 11 Feb 2027\".\n"
     "\n"
     "The current month is also run on to its end: ESTIMATE is its use so far\n"
     "divided by the part of the month gone and multiplied by the whole month, the\n"
     "flat fee counted once.\n"
     "\n"
     "  --json        {\"months\": [{month, year, from, to, minutes, communicationCost,\n"
     "                serviceCost, sumCost, transmitted, received}], \"averages\": {the\n"
     "                same without month and year} or null, \"estimate\": {the keys of\n"
     "                a month} or null when the current month has no session}; from\n"
     "                and to are the first and last day (YYYY-MM-DD) of the month or\n"
     "                billing cycle\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunMonths},
    {"check", "the monthly budgets against the month so far and its estimate",
     "Usage: dialtally-cli [global options] check [--json] [--no-update]\n"
     "\n"
     "Prints each budget that is set (vBudgetCost, vBudgetMinutes, vBudgetBytes; see\n"
     "settings set) with its limit, the current month's use so far and its month-end\n"
     "estimate. Exits 0 when every budget is under its warning thresholds\n"
     "(iBudgetWarn1 and iBudgetWarn2, 80 and 100 %), 3 when the use so far or the\n"
     "estimate is at or over a threshold, and 4 when the use so far is over a limit.\n"
     "\n"
     "  --json        {\"budgets\": [{kind, limit, used, usedPercent, estimate,\n"
     "                estimatePercent, threshold, state}], \"status\": the exit status}\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunCheck},
    {"update", "move the logger's new lines into the session log",
     "Usage: dialtally-cli [global options] update\n"
     "\n"
     "Renames the logger's data file Dtally.dat in the Windows folder to Dtally.wrk,\n"
     "appends a record to the session log for every line it recognises, deletes the\n"
     "work file and prints how many records it appended. The global option --system\n"
     "chooses the dialect of the lines.\n",
     RunUpdate},
    {"graph", "the monthly usage graph as a PNG picture",
     "Usage: dialtally-cli [global options] graph FILE.png [--width N] [--height N]\n"
     "                    [--no-update]\n"
     "\n"
     "Draws the monthly usage graph of the whole session log (connected minutes, bytes\n"
     "transmitted and received per month) into the PNG file FILE.png. Needs no\n"
     "display. Runs the log update first.\n"
     "\n"
     "  --width N     width of the picture in pixels (default 501)\n"
     "  --height N    height of the picture in pixels (default 169)\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunGraph},
    {"logging", "show or switch logging: the adapter's option and the logger",
     "Usage: dialtally-cli [global options] logging [on|off]\n"
     "\n"
     "Without an argument prints on or off: logging is on while the dial-up adapter's\n"
     "Logging option in SYSTEM.REG (the registry file in the Windows folder) is 1 and\n"
     "the companion logger dtallywr runs. \"on\" writes the option and starts the\n"
     "logger now and at login; \"off\" writes the option, removes the start at login\n"
     "and closes every logger. Exits 1 when no dial-up adapter is found in the\n"
     "registry or the switch fails.\n",
     RunLogging},
    {"export", "the sessions as a tab-separated text file (Write Data File)",
     "Usage: dialtally-cli [global options] export FILE [--from DATE (--to DATE | --to-end)]\n"
     "                    [--no-update]\n"
     "\n"
     "Writes the sessions of the whole log, or those that start in a period of days, to\n"
     "the text file FILE as the window's Write Data File does: a header line and one\n"
     "line per session with up date, up time, down date, down time, duration [s],\n"
     "bytes transmitted and received, communication and service costs, separated by\n"
     "tabs, lines ended by CR LF, in the locale's formats and encoding. Runs the log\n"
     "update first.\n"
     "\n"
     "  --from DATE   first day of the period: YYYY-MM-DD or the locale's short date\n"
     "  --to DATE     last day of the period\n"
     "  --to-end      the period runs to the end of the log\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunExport},
    {"report", "the printed report as a PDF file",
     "Usage: dialtally-cli [global options] report FILE.pdf [--from DATE (--to DATE |\n"
     "                    --to-end)] [--no-update]\n"
     "\n"
     "Prints the report of the window's Print Log into the PDF file FILE.pdf (A4, or\n"
     "Letter where the locale measures in inches): title, column headers, one line per\n"
     "session of the whole log or of a period, and the totals. Needs no display. Runs\n"
     "the log update first. Options as for export.\n",
     RunPrintReport},
    {"clear", "delete the whole session log (Clear Log)",
     "Usage: dialtally-cli [global options] clear --yes\n"
     "\n"
     "Deletes the session log SesLog.log as the window's Clear Log does; SesLog.bak and\n"
     "the logger's files stay. Then runs the log update, which moves what the logger\n"
     "collected since into the new log. Without --yes nothing is done (exit status 2).\n",
     RunClear},
    {"delete", "delete the period of some sessions from the log (Delete)",
     "Usage: dialtally-cli [global options] delete --sessions FIRST[-LAST] --yes\n"
     "                    [--no-update]\n"
     "\n"
     "Deletes from the session log every event from the connect time of the session\n"
     "with index FIRST (the index of sessions --json) less 8 seconds to 4 seconds after\n"
     "the disconnect time of the session with index LAST, as the window's Delete does\n"
     "for the selected rows; the previous log is kept as SesLog.bak. Without --yes, or\n"
     "with an index beyond the log, nothing is changed (exit status 2). Runs the log\n"
     "update first, as sessions does, so that the indexes are the same.\n"
     "\n"
     "  --sessions FIRST[-LAST]  the first and the last session of the period\n"
     "  --yes                    delete without asking\n"
     "  --no-update              read the session log as it is, without the update\n",
     RunDelete},
    {"settings", "the tariffs and the connect-time allowance; settings set changes them",
     "Usage: dialtally-cli [global options] settings [--json]\n"
     "       dialtally-cli [global options] settings set NAME=VALUE...\n"
     "\n"
     "Prints the telephone and provider tariffs and the connect-time allowance as the\n"
     "program loads them from the settings store, one NAME=VALUE line each under the\n"
     "store's names; the rate grid is vCommRatesDay1 (Sunday) .. vCommRatesDay7\n"
     "(Saturday), 24 digits each, the rate code (1, 2 or 3) of each clock hour.\n"
     "\n"
     "  --json   one object: commCosts, commConnect, commRates (three numbers),\n"
     "           commRateDelayMinutes, commRatesDays (seven strings of 24 digits,\n"
     "           Sunday first), servCosts, servConnect, servMinute, servDataMb,\n"
     "           servFlatMonth, servRounding, allowanceSeconds, holidays (strings),\n"
     "           billingStartDay, and the live options followLogger, keepInTray,\n"
     "           budgetCost, budgetMinutes, budgetBytes (null when not set) and\n"
     "           budgetWarn (the two thresholds)\n"
     "\n"
     "settings set changes values with the checks and rounding of the settings\n"
     "dialogs, for a machine without a display; the names are those printed above.\n"
     "Flags are True or False. Amounts are numbers with the locale's decimal\n"
     "separator or a point, kept to four decimals (vServMinute and vServFlatMonth\n"
     "to three, as the service costs dialog keeps them). vCommRateDelayMinutes is a\n"
     "whole number 0..32767 and vAditionalConnectSeconds -32768..32767, a fraction\n"
     "rounded to the nearest (a half to the even one). A value that fails its check\n"
     "ends with status 2 and \"Data Not Valid\" with its name, and nothing is\n"
     "written: the values are saved all together or not at all.\n"
     "\n"
     "holidays are the days charged at the Sunday row of the grid, separated by\n"
     "commas: MM-DD every year (12-25), YYYY-MM-DD once (2027-05-14), or days from\n"
     "Easter Sunday (easter-2 Good Friday, easter+1, easter+39, easter+50);\n"
     "holidays= clears them. billingStartDay (1..28) is the first day of the billing\n"
     "cycle by which the monthly summary, the graph and compare group sessions.\n",
     RunSettings},
    {"import-old", "convert a log of the previous format (Dtally.log), or drop it",
     "Usage: dialtally-cli [global options] import-old (--yes | --discard)\n"
     "\n"
     "Deals with a log of the previous version, Dtally.log in the program folder, as\n"
     "the program offers at its start.\n"
     "\n"
     "  --yes       convert it: every line it recognises (Windows 95 texts) becomes a\n"
     "              record, and these records, followed by the records of the session\n"
     "              log, become the new session log; Dtally.log is kept as OldLog.log\n"
     "  --discard   keep it as OldLog.log without importing it\n"
     "\n"
     "The first field of a line is its time: the date literal #YYYY-MM-DD hh:mm:ss#,\n"
     "the same without the # signs, or a numeric short date of the locale (day, month\n"
     "and year in its order; a two-digit year is 1930 to 2029) with an optional time\n"
     "h:mm[:ss], also with AM or PM. Lines without such a time are skipped. Without\n"
     "either option nothing is changed. Exit status 1 when the import failed: the\n"
     "session log and Dtally.log are then as they were.\n",
     RunImportOld},
    {"setup-pppd", "record the connections of pppd (a Linux PPP link) from now on",
     "Usage: dialtally-cli [global options] setup-pppd [--source FILE] [--language L]\n"
     "       dialtally-cli [global options] setup-pppd --install-hooks [--ppp-dir DIR]\n"
     "\n"
     "Sets this machine up so that Dialtally records every connection that pppd makes\n"
     "(by hand, pon, wvdial or NetworkManager): the companion logger follows pppd's\n"
     "messages in FILE (default /var/log/syslog) and writes each connection as the dial-up\n"
     "adapter's lines of the --system dialect. It writes the logger's settings\n"
     "Dtallywr.ini in the Windows folder and its autostart entry, switches the dial-up\n"
     "adapter's logging on in SYSTEM.REG (writing one when there is none), reads the\n"
     "connections that FILE and its rotated logs (FILE.1, FILE.2.gz, ...) hold already,\n"
     "starts the logger and tells how pppd's messages reach FILE.\n"
     "\n"
     "  --source FILE     the log that holds pppd's messages\n"
     "  --language L      en, fi, nl, es or it: the adapter's language (default en)\n"
     "  --install-hooks   instead, write the scripts ip-up.d/dialtally and\n"
     "                    ip-down.d/dialtally, which hand each connection to the logger\n"
     "                    from pppd's environment when the link goes down (as root; they\n"
     "                    run the logger as the owner of the Windows folder)\n"
     "  --ppp-dir DIR     pppd's folder for --install-hooks (default /etc/ppp)\n",
     RunSetupPppd},
    {"tariff", "keep named tariffs: save, list, show, use, delete, export, import",
     "Usage: dialtally-cli [global options] tariff save NAME\n"
     "       dialtally-cli [global options] tariff list\n"
     "       dialtally-cli [global options] tariff show|use|delete NAME\n"
     "       dialtally-cli [global options] tariff export NAME FILE\n"
     "       dialtally-cli [global options] tariff import FILE NAME\n"
     "\n"
     "A saved tariff is the telephone tariff (grid, delay, holidays) and the provider\n"
     "tariff, kept in the settings store in a section [Tariff.NAME] of its own. save\n"
     "keeps the tariff in force under NAME (replacing one of that name); use makes a\n"
     "saved tariff the one in force; show prints it in the tariff file format.\n"
     "export writes it to FILE, import reads FILE and saves it under NAME. A FILE\n"
     "that is no good tariff file is refused with its line and the reason, and\n"
     "nothing is changed (exit status 1). NAME is 1 to 40 letters, digits, - or _.\n"
     "The file format is described in the README (\"Tariff files\").\n",
     RunTariff},
    {"compare", "the sessions priced under other tariffs, month by month",
     "Usage: dialtally-cli [global options] compare [NAME...] [--from DATE\n"
     "                     (--to DATE | --to-end)] [--json] [--no-update]\n"
     "\n"
     "Prices the sessions of the log, or of the period, again under the tariff in force\n"
     "and under each saved tariff NAME (every saved tariff when none is named), and\n"
     "prints per month (or billing cycle) the sum under each (both costs and the flat\n"
     "fee, as the monthly summary's Sum), the cheapest, the totals and the difference\n"
     "of each total from the tariff in force. Runs the log update first.\n"
     "\n"
     "  --json   {\"tariffs\": [names, \"(in force)\" first], \"months\": [{month, year,\n"
     "           from, to, sums: [one per tariff], cheapest}], totals, differences,\n"
     "           cheapest}\n"
     "  --no-update   read the session log as it is, without the update\n",
     RunCompare},
};
// clang-format on

} // namespace

std::span<const CliCommand> CliCommands()
{
    return kCommands;
}

} // namespace dialtally
