#pragma once

#include "log/datetime.h"
#include "log/progress.h"
#include "log/sessionlog.h"
#include "log/update.h"

#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace dialtally {

// Indexes into the session list; a log can hold far more sessions than a 16-bit index reaches.

// The statistics of a run of sessions iFirst..iLast of the session list. The range is empty
// (iLast < iFirst, iSessionCount 0) when a period holds no session.
struct Statistics {
    SessionIndex iFirst = 0;
    SessionIndex iLast = -1;
    bool fSelection = false; // a period chosen by the user, not the whole list
    std::optional<DateTime> vFirstUp;
    std::optional<DateTime> vLastDown;
    // The longest and the shortest of the sessions that have both times; empty when none has.
    std::optional<DateTime> vLongestUp;
    std::optional<DateTime> vLongestDown;
    std::int64_t iLongestMinutes = 0;
    std::optional<DateTime> vShortestUp;
    std::optional<DateTime> vShortestDown;
    std::int64_t iShortestMinutes = 0;
    // Whole minutes of all sessions with both times, divided by every session of the range.
    double dAverageMinutes = 0.0;
    SessionIndex iSessionCount = 0;
    // The seven error counters summed, in record order (CRC .. incomplete packets).
    std::array<std::int64_t, kErrorCounterCount> iErrors{};
};

// Six display texts for a run of sessions: the selection line of the session table and the
// printed report.
struct RangeSummary {
    QString transmitted;
    QString received;
    QString duration;
    QString period;
    QString communicationCosts;
    QString serviceCosts;
};

// The load of the program: sets the bar to 0..10 at 1, updates and reads the session log and
// builds the sessions (LoadSessions), then applies the allowance and fills the durations
// (CalculateDurations), advancing the bar once before and once after. Always yields a list.
// report, when given, gets what the update did; readError, why the log could not be read.
SessionList ReadSessionList(ProgressBar* bar, std::int32_t additionalConnectSeconds,
                            const UpdateSettings& update, UpdateReport* report = nullptr,
                            QString* readError = nullptr);

// Moves every up time earlier by the connect-time allowance (in memory only; a negative allowance
// moves it later) and fills lDur and vDurText ("h:mm:ss") of every session with both times.
// A session longer than a 32-bit count of seconds gets duration 0 and "0:00:00".
void CalculateDurations(SessionList& sessions, std::int32_t additionalConnectSeconds);

// "1:05:30": hours without a leading zero, minutes and seconds with two digits.
std::string DurationText(std::int64_t seconds);

// A list holds a real session when it has more than one entry or its one entry lasted > 0 s.
bool HasRealSession(const SessionList& sessions);

// The whole list.
Statistics AnalyseAll(const SessionList& sessions);

// The sessions whose up time falls on firstDay .. lastDay (calendar days; lastDay is ignored when
// toEnd is set, and the period runs to the end of the list). Sessions without an up time belong
// to no period. A period that holds no session gives an empty range.
Statistics AnalyseRange(const SessionList& sessions, DateTime firstDay, DateTime lastDay,
                        bool toEnd);

// Fills every field but iFirst, iLast and fSelection from the sessions iFirst..iLast.
void Analyse(const SessionList& sessions, Statistics& statistics);

// Sums of a run of sessions; an empty cost adds nothing, and a cost sum is empty when no session
// of the run had that cost.
struct RangeTotals {
    std::int64_t transmitted = 0;
    std::int64_t received = 0;
    std::int64_t seconds = 0;
    std::optional<double> communicationCost;
    std::optional<double> serviceCost;
};
RangeTotals SumSessions(const SessionList& sessions, SessionIndex from, SessionIndex to);

// The display texts of sessions from..to (both inside the list, from <= to). An empty cost sum
// gives an empty text.
RangeSummary SumRange(const SessionList& sessions, SessionIndex from, SessionIndex to,
                      const QLocale& locale = QLocale());

} // namespace dialtally
