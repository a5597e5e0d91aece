#pragma once

#include "crashtest/child.h"
#include "crashtest/model.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace dialtally {

// The crash test runs the operations that change the session log or the data file as real
// processes, kills them with SIGKILL at chosen moments, runs them to completion and checks:
// every recognised line that reached the data file is in the session log exactly once, in order,
// and no record is torn.

struct Tools {
    std::string cli;    // dialtally-cli
    std::string logger; // dtallywr
};

// The folders of one scenario. The program and Windows folders may be mount points, so clearing
// empties them and keeps them.
struct Workspace {
    std::string root;
    std::string program; // "SesLog.log"
    std::string windows; // "Dtally.dat" and the files of the hand-over
    std::string run;     // the logger registry
    std::string source;  // the adapter's log that the logger follows
    std::string out;     // what the children write to their standard output and error

    static std::optional<Workspace> Create(const std::string& root, std::string* error);
    std::string SessionLog() const { return program + "/SesLog.log"; }
    std::string InWindows(const char* name) const { return windows + '/' + name; }
    std::string OutFile(const std::string& name) const { return out + '/' + name; }
    // Empties the program and Windows folders and the registry, and removes the adapter's log.
    void Clear() const;
};

// dialtally-cli update in the given dialect (1 Windows 95, 2 Windows 98).
ChildSpec UpdateCommand(const Tools& tools, const Workspace& ws, int dialect,
                        const std::string& outName = "update");
// dtallywr following the workspace's adapter log, looking every 5 ms.
ChildSpec LoggerCommand(const Tools& tools, const Workspace& ws,
                        const std::string& outName = "logger");

struct Violation {
    int round = 0;
    std::string what;
};

struct KillCount {
    int kills = 0;
    int midOperation = 0; // still running when the kill came
};

// What one scenario did and found.
struct Tally {
    int rounds = 0;
    int checks = 0;
    std::map<std::string, KillCount> kills; // by "what/when", e.g. "update/late"
    // Seen right after kills.
    int workFileSeen = 0;
    int journalSeen = 0;
    int tornLogSeen = 0;
    int tornDataSeen = 0;
    std::vector<std::string> notes;
    std::vector<Violation> violations;

    void CountKill(const std::string& kind, bool midOperation);
    // Adds what a helper thread counted on its own.
    void Add(const Tally& other);
    KillCount Total() const;
};

struct ScenarioContext {
    Tools tools;
    std::string scratch; // the scenario's own folder
    int kills = 0;       // to make in this scenario
    std::uint64_t seed = 0;
    std::mt19937_64 rng;
    bool tracing = false; // kills at chosen file changes are possible
    bool keep = false;    // the scratch folder stays for a look afterwards
    std::function<void(const std::string&)> progress;
};

struct Scenario {
    const char* name;
    const char* summary;
    void (*run)(ScenarioContext& context, Tally& tally);
};
// The scenarios in the order "all" runs them. A new operation joins with a row here.
const std::vector<Scenario>& Scenarios();

void RunUpdateScenario(ScenarioContext& context, Tally& tally);
void RunLoggerScenario(ScenarioContext& context, Tally& tally);
void RunFullDiskScenario(ScenarioContext& context, Tally& tally);
void RunDeleteScenario(ScenarioContext& context, Tally& tally);
void RunEditorSaveScenario(ScenarioContext& context, Tally& tally);
void RunImportScenario(ScenarioContext& context, Tally& tally);
void RunPppdLoggerScenario(ScenarioContext& context, Tally& tally);
void RunPppdOnceScenario(ScenarioContext& context, Tally& tally);

// ---- Shared steps of the scenarios ----

std::uint64_t Uniform(std::mt19937_64& rng, std::uint64_t low, std::uint64_t high);
bool Chance(std::mt19937_64& rng, double probability);
Clock::duration Microseconds(std::int64_t count);
std::string Milliseconds(Clock::duration duration);

// Both dialects take turns from round to round, starting with the scenario's first dialect.
int RoundDialect(int firstDialect, int round);
// The generator's options for a round: a Windows 98 round draws its language from the five;
// sessions sets the size (about 3 KB of lines a session).
GeneratorOptions RoundOptions(std::mt19937_64& rng, int dialect, std::int64_t sessions);
std::string RoundName(const GeneratorOptions& options);

bool FileExists(const std::string& path);
std::int64_t FileSize(const std::string& path); // -1 when missing
std::string ReadFile(const std::string& path);
// The last lines of a child's output, for a report.
std::string Tail(const std::string& path, std::size_t bytes = 400);

// Count what a kill left behind: a work file, a journal, a torn session log (after an update
// was killed, with no other update running); a data file that ends inside a line (after the
// logger was killed).
void CountLeftovers(const Workspace& ws, Tally& tally);
void CountTornData(const Workspace& ws, Tally& tally);
// The invariant after a completed operation: the log is the model's records and neither the work
// file nor the journal is left. Empty when it holds.
std::optional<std::string> CheckCompleted(const Workspace& ws, const Model& model);

// A run to the end, killed after timeout if it hangs.
struct Finished {
    ChildEnd end;
    Clock::duration duration{};
    bool hung = false;
    std::string error; // could not start
};
Finished RunToEnd(const ChildSpec& spec, Clock::duration timeout);

// How an operation runs when nothing stops it, measured once uninterrupted and once traced.
struct Calibration {
    Clock::duration duration = std::chrono::milliseconds(30);
    Clock::duration firstChange = std::chrono::milliseconds(10); // untraced estimate
    int changes = 0;                                             // 0: unknown
};

// A run to the end that also measures the operation: traced (counting its file changes) when
// tracing works, else only timed. The calibration keeps what was measured.
Finished RunMeasured(const ChildSpec& spec, bool tracing, Calibration& calibration);

// When a kill comes: at a chosen file change (traced), soon after the first file change (the
// rename, the journal), anywhere in the measured run, or near its end (between the last append
// and the deletion of the work file).
enum class KillTiming { Change, Early, Spread, Late };
const char* TimingName(KillTiming timing);

struct KillPlan {
    KillTiming timing = KillTiming::Spread;
    int change = 0;
    // From the start; for an early kill, from the first change of an entry in the watched folders.
    Clock::duration after{};
    // An early kill without folders to watch: from the start, by the measured first change.
    Clock::duration afterStart{};
};
KillPlan PlanKill(std::mt19937_64& rng, const Calibration& calibration, bool tracing);

struct KillOutcome {
    bool started = false;
    std::string error;
    ChildEnd end;
    bool MidOperation() const { return end.KilledBySigkill(); }
};
// Starts the command and kills it as planned; blocks until it is gone. An early kill counts from
// the first entry created, renamed or deleted in the watched folders.
KillOutcome RunAndKill(const ChildSpec& spec, const KillPlan& plan,
                       const std::vector<std::string>& watch = {});

} // namespace dialtally
