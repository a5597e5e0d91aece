#pragma once

#include "analysis/settings.h"
#include "log/datetime.h"
#include "log/sessionlog.h"

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

namespace dialtally {

// The connection that is up now: the last session of the list when it has an up time and no
// down time yet. Its duration and costs run with the clock.
struct OpenSession {
    SessionIndex index = 0;
    DateTime up; // as the table shows it, with the connect-time allowance
    std::int32_t elapsedSeconds = 0;
    std::optional<double> communicationCost; // empty when that kind of cost is off
    std::optional<double> serviceCost; // the time-based part; the bytes arrive with the counters
    std::optional<double> SoFar() const;
};

// The open session of the list, priced for the time up to now by the cost functions of the table
// (a closed session of the same up time and duration, without bytes, costs the same). Empty when
// the last session is closed or has no up time.
std::optional<OpenSession> FindOpenSession(const SessionList& sessions, DateTime now,
                                           const CostSettings& costs);

// Writes the running duration and costs of the open session into its record, so that the table
// and its sums show them. Returns the session's index; empty when no session is open.
std::optional<SessionIndex> ApplyOpenSession(SessionList& sessions, DateTime now,
                                             const CostSettings& costs);

// "Online since 09:00:05: 0:12:34, 0.48 so far"; without the costs when both are off.
QString OpenSessionText(const OpenSession& session, const QLocale& locale = QLocale());

} // namespace dialtally
