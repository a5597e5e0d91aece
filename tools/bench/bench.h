#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
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
