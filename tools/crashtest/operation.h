#pragma once

#include "crashtest/crashtest.h"

#include <optional>
#include <random>
#include <string>

namespace dialtally {

// An operation that changes the session log or the data file, as the crash test drives it in
// rounds: two uninterrupted runs measure it (traced, counting its file changes, and untraced,
// timing it), then runs are killed at planned moments while its input keeps growing, and a run to
// completion and the check end the round. Later operations (the deletion of a period, the import,
// the editor's save) join by implementing this and adding a row to the scenario table.
class KilledOperation {
public:
    virtual ~KilledOperation() = default;
    virtual std::string Name() const = 0;
    virtual const Workspace& Folders() const = 0;
    // Starts round number round with new input; returns what the round is, for the report.
    virtual std::string BeginRound(int round, std::mt19937_64& rng) = 0;
    // Gives the next run something to do.
    virtual void Grow(std::mt19937_64& rng) = 0;
    virtual ChildSpec Command() const = 0;
    // Work that goes on beside the killed runs, until the round's run to completion.
    virtual void StartAlongside(std::uint64_t /*seed*/) {}
    virtual void StopAlongside() {}
    // Empty when the state after a run to completion holds the invariant.
    virtual std::optional<std::string> Check() const = 0;
    // Back to an empty state after a violation, so that the next round stands on its own.
    virtual void Reset() = 0;
};

// Rounds until context.kills runs were killed.
void DriveKilledOperation(KilledOperation& operation, ScenarioContext& context, Tally& tally);

} // namespace dialtally
