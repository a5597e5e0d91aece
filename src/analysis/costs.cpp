#include "analysis/costs.h"

namespace dialtally {
namespace {

// Walks the clock hours of one session. The delay counter counts the minutes at rate 1 already
// spent in the current stretch of code-3 hours; once the delay is used up the stretch is charged
// at rate 3 until an hour of another code begins a new stretch.
class RateWalk {
public:
    RateWalk(const CostSettings& costs, const HolidayCalendar* holidays, std::int64_t day, int hour,
             int weekday)
        : m_costs(costs), m_holidays(holidays), m_delay(costs.vCommRateDelayMinutes), m_day(day),
          m_hour(hour), m_weekday(weekday)
    {
        m_row = Row();
    }

    // Charges minutes (at most the rest of the current hour) in the current hour.
    double Charge(std::int64_t minutes)
    {
        const int code = Code();
        if (code != 3) {
            m_delayUsed = 0;
            m_delayUsedUp = false;
            return static_cast<double>(minutes) * Rate(code);
        }
        if (m_delayUsedUp)
            return static_cast<double>(minutes) * Rate(3);
        const std::int64_t delayLeft = m_delay - m_delayUsed;
        if (delayLeft < minutes) {
            m_delayUsedUp = true;
            return static_cast<double>(minutes - delayLeft) * Rate(3) +
                   static_cast<double>(delayLeft) * Rate(1);
        }
        m_delayUsed += minutes;
        return static_cast<double>(minutes) * Rate(1);
    }

    // The seconds after the whole minutes: rate 1 in a code-3 hour until the delay is used up.
    double ChargeSeconds(std::int64_t seconds) const
    {
        const int code = Code();
        const double rate = code == 3 ? Rate(m_delayUsedUp ? 3 : 1) : Rate(code);
        return static_cast<double>(seconds) * (rate / 60.0);
    }

    void NextHour()
    {
        if (++m_hour > 23) {
            m_hour = 0;
            ++m_day;
            if (++m_weekday > 7)
                m_weekday = 1; // Saturday is followed by Sunday
            m_row = Row();
        }
    }

private:
    // A holiday is charged at the Sunday row of the grid.
    int Row() const { return m_holidays && m_holidays->IsHoliday(m_day) ? 1 : m_weekday; }
    int Code() const
    {
        const int code = m_costs.vCommRatesDay(m_hour, m_row);
        return code >= 1 && code <= 3 ? code : 1;
    }
    double Rate(int code) const { return m_costs.vCommRate[static_cast<std::size_t>(code - 1)]; }

    const CostSettings& m_costs;
    const HolidayCalendar* m_holidays;
    std::int64_t m_delay;
    std::int64_t m_delayUsed = 0;
    bool m_delayUsedUp = false;
    std::int64_t m_day;
    int m_hour;
    int m_weekday;
    int m_row = 1;
};

} // namespace

double CommunicationCost(std::int32_t durationSeconds, DateTime up, const CostSettings& costs,
                         const HolidayCalendar* holidays)
{
    // Only the clock time and the weekday of the up time matter, never its calendar date, which
    // is dear to work out for every session of a long log.
    std::int64_t day = up.seconds / kSecondsPerDay;
    std::int64_t secondOfDay = up.seconds % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --day;
    }
    const int hour = static_cast<int>(secondOfDay / 3600);
    const int minute = static_cast<int>(secondOfDay / 60 % 60);
    std::int64_t minutes = durationSeconds / 60;
    const std::int64_t seconds = durationSeconds - 60 * minutes;
    if (holidays && holidays->Empty())
        holidays = nullptr;
    RateWalk walk(costs, holidays, day, hour, Weekday(up));
    // The seconds of the up time are ignored: the first hour holds 60 - minute whole minutes.
    const std::int64_t firstHourMinutes = 60 - minute;
    double cost = 0.0;
    if (minutes > firstHourMinutes) {
        cost = walk.Charge(firstHourMinutes);
        minutes -= firstHourMinutes;
        walk.NextHour();
        while (minutes >= 60) {
            cost += walk.Charge(60);
            minutes -= 60;
            walk.NextHour();
        }
        if (minutes > 0)
            cost += walk.Charge(minutes);
    } else {
        cost = walk.Charge(minutes);
    }
    cost += walk.ChargeSeconds(seconds);
    return cost + costs.vCommConnect;
}

double ServiceCost(std::int32_t durationSeconds, std::int32_t transmitted, std::int32_t received,
                   const CostSettings& costs)
{
    std::int64_t seconds = durationSeconds;
    if (costs.bServRounding && seconds % 60 != 0)
        seconds = (seconds / 60) * 60 + 60;
    return costs.vServConnect + costs.vServMinute * (static_cast<double>(seconds) / 60.0) +
           costs.vServDataMb *
               (static_cast<double>(transmitted) / 1e6 + static_cast<double>(received) / 1e6);
}

void CalculateCosts(SessionList& sessions, const CostSettings& costs)
{
    const HolidayCalendar holidays(costs.vHolidays);
    for (SessionRecord& session : sessions) {
        session.vCommCost.reset();
        session.vServCost.reset();
        if (costs.bCommCosts && session.vUp)
            session.vCommCost = CommunicationCost(session.lDur, *session.vUp, costs, &holidays);
        if (costs.bServCosts)
            session.vServCost = ServiceCost(session.lDur, session.lTx, session.lRx, costs);
    }
}

} // namespace dialtally
