#include "analysis/monthlycache.h"

namespace dialtally {

const MonthlySummary& MonthlyTotalsCache::Rebuild(const SessionList& sessions,
                                                  double vServFlatMonth, const BillingCycle& cycle)
{
    m_summary = CalcMonthlyTotals(sessions, vServFlatMonth, cycle);
    m_flatFee = vServFlatMonth;
    m_cycle = cycle;
    FindLastEntryStart(sessions);
    return m_summary;
}

const MonthlySummary& MonthlyTotalsCache::Extend(const SessionList& sessions,
                                                 SessionIndex firstTouched, double vServFlatMonth,
                                                 const BillingCycle& cycle)
{
    const auto size = static_cast<SessionIndex>(sessions.size());
    if (m_summary.months.empty() || vServFlatMonth != m_flatFee || !(cycle == m_cycle) ||
        firstTouched < m_lastEntryStart || m_lastEntryStart >= size)
        return Rebuild(sessions, vServFlatMonth, cycle);
    // The last entry begins with a session that has both times; from it the months group as
    // they would in the whole list.
    const SessionList tail(sessions.begin() + m_lastEntryStart, sessions.end());
    MonthlySummary tailMonths = CalcMonthlyTotals(tail, vServFlatMonth, cycle);
    if (tailMonths.months.empty())
        return Rebuild(sessions, vServFlatMonth, cycle);
    m_summary.months.pop_back();
    m_summary.months.insert(m_summary.months.end(), tailMonths.months.begin(),
                            tailMonths.months.end());
    m_summary.averages = AverageOfMonths(m_summary.months);
    FindLastEntryStart(sessions);
    return m_summary;
}

void MonthlyTotalsCache::FindLastEntryStart(const SessionList& sessions)
{
    m_lastEntryStart = 0;
    if (m_summary.months.empty())
        return;
    const MonthTotals& last = m_summary.months.back();
    const BillingCycle::Cycle lastCycle{last.year, last.month};
    for (auto i = static_cast<SessionIndex>(sessions.size()) - 1; i >= 0; --i) {
        const SessionRecord& session = sessions[static_cast<std::size_t>(i)];
        if (!session.vUp || !session.vDown)
            continue;
        const CivilTime up = ToCivil(*session.vUp);
        if (!(m_cycle.CycleOf(up.year, up.month, up.day) == lastCycle))
            break;
        m_lastEntryStart = i;
    }
}

} // namespace dialtally
