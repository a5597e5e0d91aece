#include "analysis/monthlycache.h"

namespace dialtally {

const MonthlySummary& MonthlyTotalsCache::Rebuild(const SessionList& sessions,
                                                  double vServFlatMonth)
{
    m_summary = CalcMonthlyTotals(sessions, vServFlatMonth);
    m_flatFee = vServFlatMonth;
    FindLastEntryStart(sessions);
    return m_summary;
}

const MonthlySummary& MonthlyTotalsCache::Extend(const SessionList& sessions,
                                                 SessionIndex firstTouched, double vServFlatMonth)
{
    const auto size = static_cast<SessionIndex>(sessions.size());
    if (m_summary.months.empty() || vServFlatMonth != m_flatFee ||
        firstTouched < m_lastEntryStart || m_lastEntryStart >= size)
        return Rebuild(sessions, vServFlatMonth);
    // The last entry begins with a session that has both times; from it the months group as
    // they would in the whole list.
    const SessionList tail(sessions.begin() + m_lastEntryStart, sessions.end());
    MonthlySummary tailMonths = CalcMonthlyTotals(tail, vServFlatMonth);
    if (tailMonths.months.empty())
        return Rebuild(sessions, vServFlatMonth);
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
    const int month = m_summary.months.back().month;
    for (auto i = static_cast<SessionIndex>(sessions.size()) - 1; i >= 0; --i) {
        const SessionRecord& session = sessions[static_cast<std::size_t>(i)];
        if (!session.vUp || !session.vDown)
            continue;
        if (ToCivil(*session.vUp).month != month)
            break;
        m_lastEntryStart = i;
    }
}

} // namespace dialtally
