#pragma once

#include "analysis/settings.h"
#include "log/datetime.h"
#include "log/sessionlog.h"

#include <cstdint>

namespace dialtally {

// The telephone charge of one session: its whole minutes laid on the clock hours from the minute
// of the up time onward, each at the rate of the hour it falls in; the leftover seconds at the
// rate of the last hour reached; plus the connection charge. In a stretch of consecutive
// delayed-rate (code 3) hours the first vCommRateDelayMinutes minutes cost rate 1. An hour whose
// code is not 1..3 (only a damaged store holds one) is charged as a code-1 hour. The hours of a
// day in holidays (the calendar of costs.vHolidays) take the Sunday row of the grid.
double CommunicationCost(std::int32_t durationSeconds, DateTime up, const CostSettings& costs,
                         const HolidayCalendar* holidays = nullptr);

// The provider charge of one session: per session, per minute (rounded up to whole minutes when
// bServRounding is set) and per 1,000,000 bytes transmitted plus received. The monthly flat fee
// is not part of it.
double ServiceCost(std::int32_t durationSeconds, std::int32_t transmitted, std::int32_t received,
                   const CostSettings& costs);

// Sets both costs of every session; a cost kind that is switched off leaves its field empty, and
// so does a session without an up time for the telephone charge.
void CalculateCosts(SessionList& sessions, const CostSettings& costs);

} // namespace dialtally
