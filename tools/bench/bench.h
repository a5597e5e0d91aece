#pragma once

#include "platform/places.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace dialtally::bench {

// One measurement of dialtally-bench: a subcommand with its own options, printing its figures.
// A new measurement is a bench_NAME.cpp with its Run function and one row in main.cpp.
struct Measurement {
    const char* name;
    const char* summary; // one line for the list of measurements
    const char* help;    // usage and options
    int (*run)(const QStringList& args);
};

// "512M", "1G", "64K" or plain bytes; empty for anything else.
std::optional<std::int64_t> ParseSize(const QString& text);
double SecondsSince(std::int64_t startNanoseconds);
std::int64_t NowNanoseconds();

// The figures of `wc -l FILE` in this run: the line count and the seconds it took; empty when wc
// cannot be run.
struct WcFigures {
    std::int64_t lines = 0;
    double seconds = 0;
};
std::optional<WcFigures> RunWcLines(const QString& path);

// The options of the measurements on a generated session log: --events N, --repeats R and
// --dir DIR (the folder of the temporary folder), read over the defaults given. A word that none
// of them is goes to extra, which says whether it took it. Returns the message of an unknown or
// bad option.
struct LogBenchOptions {
    std::int64_t events = 0;
    int repeats = 0;
    QString parent;
};
std::optional<QString> ParseLogBenchOptions(const QStringList& args, LogBenchOptions& options,
                                            const std::function<bool(const QString&)>& extra = {});

// Writes a generated session log of the given number of events spread over months (Windows 98
// texts). With toDisk it is on the disk when this returns, so that no round pays for writing it
// back. False with the reason in error.
bool GenerateSessionLog(const QString& path, std::int64_t events, int months, bool toDisk,
                        QString* error);

// A measured time: the wall time and the processor time.
struct Timing {
    double seconds = 0;
    double cpuSeconds = 0; // a fairer figure on a busy machine, where waiting for the processor
                           // counts in the wall time
};
// `cat FILE` as a child process with its output going to output; empty when cat fails.
std::optional<Timing> RunCat(const QString& path, const QString& output);
// Processor seconds (user and system) of this process, or of its children that ended.
double CpuSeconds(int who);

// The folders of a measurement that opens the main window, made inside root. The settings file
// marks a program that has run before and message boxes answer at once, so that nothing waits
// for a user. Empty when the settings file cannot be written.
std::optional<Places> PrepareWindowPlaces(const QString& root);

void Print(const QString& text);
int Fail(const QString& message);

// The measurements.
int RunUpdateBench(const QStringList& args);
int RunRefreshBench(const QStringList& args);
int RunLoadBench(const QStringList& args);
int RunDeleteBench(const QStringList& args);
int RunEditorBench(const QStringList& args);
int RunCompareBench(const QStringList& args);
int RunFollowBench(const QStringList& args);

} // namespace dialtally::bench
