#pragma once

#include "platform/places.h"

#include <QStringList>
#include <span>

namespace dialtally {

// One command of dialtally-cli. run() gets the words after the command name (global options are
// already taken out) and returns the exit status.
struct CliCommand {
    const char* name;
    const char* summary; // one line for the program's --help
    const char* help;    // the command's --help text: usage line, options
    int (*run)(const QStringList& args, const Places& places);
};

std::span<const CliCommand> CliCommands();

// The commands, each in a file of its own (cmd_*.cpp).
int RunEvents(const QStringList& args, const Places& places);
int RunSessionReport(const QStringList& args, const Places& places);
int RunStats(const QStringList& args, const Places& places);
int RunMonths(const QStringList& args, const Places& places);
int RunUpdate(const QStringList& args, const Places& places);
int RunGraph(const QStringList& args, const Places& places);
int RunLogging(const QStringList& args, const Places& places);
int RunExport(const QStringList& args, const Places& places);
int RunPrintReport(const QStringList& args, const Places& places);
int RunClear(const QStringList& args, const Places& places);
int RunDelete(const QStringList& args, const Places& places);
int RunImportOld(const QStringList& args, const Places& places);
int RunSettings(const QStringList& args, const Places& places);
int RunCheck(const QStringList& args, const Places& places);
int RunSetupPppd(const QStringList& args, const Places& places);
int RunTariff(const QStringList& args, const Places& places);
int RunCompare(const QStringList& args, const Places& places);

} // namespace dialtally
