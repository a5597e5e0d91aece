#pragma once

#include "log/adapterphrases.h"
#include "log/datetime.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dialtally {

// The adapter log generator writes made-up but realistic diagnostic logs of the Windows 95 and
// Windows 98 dial-up adapters, for tests, the demo and the benchmarks. The same options and seed
// always give the same bytes.

// log: adapter lines ending CR LF, as the adapter writes them. dat: the companion logger's data
// file, each line one double-quoted field. seslog: the session log records that an update of the
// generated lines would append, written without going through text. pppd-syslog: a Linux syslog
// with pppd's messages instead (generate/pppdsyslog.h), lines ending LF.
enum class OutputFormat { Log, Dat, SesLog, PppdSyslog };

struct GeneratorOptions {
    std::int64_t sessions = 100;
    int months = 1;
    int startYear = 2024;
    int startMonth = 1;
    int dialect = 1; // 1 Windows 95 (English only), 2 Windows 98
    AdapterLanguage language = AdapterLanguage::English;
    std::uint64_t seed = 1;
    OutputFormat format = OutputFormat::Log;
    // When above 0, generation stops with the session in which the number of recognised lines
    // reaches this count, instead of after `sessions` sessions; the sessions are still spread over
    // the months.
    std::int64_t events = 0;
};

// How the value of a line follows its text.
enum class ValueForm {
    None,    // the text is the whole message
    Decimal, // text, a blank, the value in decimal
    Hex,     // text, the value in hexadecimal (upper case, no leading zeros), tail
    Dump,    // text followed by made-up packet bytes drawn from the value
};

// One line of the adapter log before it is put into text.
struct GeneratedLine {
    DateTime time;  // whole seconds
    int hundredths; // 0..99, written after the seconds and dropped by the reader
    std::string_view text;
    ValueForm form;
    std::int32_t value;    // the count or address; for a packet dump, what its bytes are drawn from
    std::string_view tail; // after a hexadecimal value
    // The event code that recognising the line gives in the log's dialect; 0 for lines the log
    // update drops.
    std::int16_t code;
};

// The adapter's line: "MM-DD-YYYY hh:mm:ss.cc - message", without the line end.
std::string FormatLine(const GeneratedLine& line);

// Calls visit for every line in log order until it returns false. Returns the number of
// recognised lines (events) produced.
std::int64_t GenerateLines(const GeneratorOptions& options,
                           const std::function<bool(const GeneratedLine&)>& visit);

// Receives the output in large blocks; returns false to stop on a write error.
using ByteSink = std::function<bool(std::string_view bytes)>;

// Streams the output in the chosen format to sink with bounded memory. False when the sink
// refused a block; *error then says so.
bool GenerateLog(const GeneratorOptions& options, const ByteSink& sink, QString* error = nullptr);

// Writes to an open stdio stream (binary), for the command-line tool and benchmarks.
bool GenerateLog(const GeneratorOptions& options, std::FILE* file, QString* error = nullptr);

// The command line of dialtally-gen, without the program name.
struct GeneratorCommand {
    GeneratorOptions options;
    QString outPath; // empty: standard output
    bool help = false;
};

// Empty with a one-line message in *error for a bad command line.
std::optional<GeneratorCommand> ParseGeneratorArgs(const QStringList& args,
                                                   QString* error = nullptr);
QString GeneratorHelp();

} // namespace dialtally
