#include "analysis/analysis.h"

#include "analysis/formatting.h"

#include <charconv>
#include <limits>

namespace dialtally {
namespace {

bool HasBothTimes(const SessionRecord& session)
{
    return session.vUp && session.vDown;
}

void AppendTwoDigits(std::string& text, std::int64_t value)
{
    text += static_cast<char>('0' + value / 10);
    text += static_cast<char>('0' + value % 10);
}

} // namespace

std::string DurationText(std::int64_t seconds)
{
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = (seconds - 3600 * hours) / 60;
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, hours);
    std::string text(buffer, result.ptr);
    text += ':';
    AppendTwoDigits(text, minutes);
    text += ':';
    AppendTwoDigits(text, seconds % 60);
    return text;
}

namespace {

SessionList FinishReading(SessionList sessions, ProgressBar* bar,
                          std::int32_t additionalConnectSeconds)
{
    AdvanceProgress(bar, 1);
    CalculateDurations(sessions, additionalConnectSeconds);
    AdvanceProgress(bar, 1);
    return sessions;
}

void StartReading(ProgressBar* bar)
{
    if (!bar)
        return;
    bar->SetMin(0);
    bar->SetMax(10);
    bar->SetValue(1);
}

} // namespace

SessionList ReadSessionList(ProgressBar* bar, std::int32_t additionalConnectSeconds)
{
    StartReading(bar);
    return FinishReading(LoadSessions(bar), bar, additionalConnectSeconds);
}

SessionList ReadSessionList(ProgressBar* bar, std::int32_t additionalConnectSeconds,
                            const UpdateSettings& update, UpdateReport* report)
{
    StartReading(bar);
    return FinishReading(LoadSessions(bar, update, report), bar, additionalConnectSeconds);
}

void CalculateDurations(SessionList& sessions, std::int32_t additionalConnectSeconds)
{
    for (SessionRecord& session : sessions) {
        if (!session.vUp)
            continue;
        session.vUp->seconds -= additionalConnectSeconds;
        if (!session.vDown)
            continue;
        std::int64_t seconds = session.vDown->seconds - session.vUp->seconds;
        if (seconds < 0)
            seconds = 0;
        if (seconds > std::numeric_limits<std::int32_t>::max()) {
            session.lDur = 0;
            session.vDurText = "0:00:00";
            continue;
        }
        session.lDur = static_cast<std::int32_t>(seconds);
        session.vDurText = DurationText(seconds);
    }
}

bool HasRealSession(const SessionList& sessions)
{
    return sessions.size() > 1 || (sessions.size() == 1 && sessions.front().lDur > 0);
}

Statistics AnalyseAll(const SessionList& sessions)
{
    Statistics statistics;
    statistics.iFirst = 0;
    statistics.iLast = static_cast<SessionIndex>(sessions.size()) - 1;
    statistics.fSelection = false;
    Analyse(sessions, statistics);
    return statistics;
}

Statistics AnalyseRange(const SessionList& sessions, DateTime firstDay, DateTime lastDay,
                        bool toEnd)
{
    const auto count = static_cast<SessionIndex>(sessions.size());
    Statistics statistics;
    statistics.fSelection = true;
    // A scan that finds nothing leaves the range empty: the period holds no session.
    statistics.iFirst = count;
    for (SessionIndex i = 0; i < count; ++i) {
        const auto& up = sessions[static_cast<std::size_t>(i)].vUp;
        if (up && (*up >= firstDay || IsSameDay(*up, firstDay))) {
            statistics.iFirst = i;
            break;
        }
    }
    statistics.iLast = count - 1;
    if (!toEnd) {
        statistics.iLast = -1;
        for (SessionIndex i = count - 1; i >= 0; --i) {
            const auto& up = sessions[static_cast<std::size_t>(i)].vUp;
            if (up && (*up < lastDay || IsSameDay(*up, lastDay))) {
                statistics.iLast = i;
                break;
            }
        }
    }
    Analyse(sessions, statistics);
    return statistics;
}

void Analyse(const SessionList& sessions, Statistics& statistics)
{
    statistics.iErrors.fill(0);
    statistics.vFirstUp.reset();
    statistics.vLastDown.reset();
    statistics.vLongestUp.reset();
    statistics.vLongestDown.reset();
    statistics.vShortestUp.reset();
    statistics.vShortestDown.reset();
    statistics.iLongestMinutes = 0;
    statistics.iShortestMinutes = 0;
    statistics.dAverageMinutes = 0.0;
    statistics.iSessionCount = 0;

    const auto count = static_cast<SessionIndex>(sessions.size());
    const SessionIndex first = std::max<SessionIndex>(statistics.iFirst, 0);
    const SessionIndex last = std::min<SessionIndex>(statistics.iLast, count - 1);
    if (first > last)
        return;

    // The first session with both times starts as the longest and the shortest; a later one
    // replaces it only when strictly longer or shorter, so the earliest of equal sessions wins.
    const SessionRecord* longest = nullptr;
    const SessionRecord* shortest = nullptr;
    std::int64_t totalSeconds = 0;
    for (SessionIndex i = first; i <= last; ++i) {
        const SessionRecord& session = sessions[static_cast<std::size_t>(i)];
        if (!HasBothTimes(session))
            continue;
        if (!longest || session.lDur > longest->lDur)
            longest = &session;
        if (!shortest || session.lDur < shortest->lDur)
            shortest = &session;
        totalSeconds += session.lDur;
        const auto counters = ErrorCounters(session);
        for (std::size_t k = 0; k < counters.size(); ++k)
            statistics.iErrors[k] += counters[k];
    }

    const SessionRecord& firstSession = sessions[static_cast<std::size_t>(first)];
    const SessionRecord& lastSession = sessions[static_cast<std::size_t>(last)];
    // The empty log's placeholder has nothing more to show. A session that is still open (an up
    // time, no down time) is a session all the same and is counted.
    if (first == last && !lastSession.vUp && !lastSession.vDown)
        return;
    statistics.vFirstUp = firstSession.vUp;
    statistics.vLastDown = lastSession.vDown;
    if (longest) {
        statistics.vLongestUp = longest->vUp;
        statistics.vLongestDown = longest->vDown;
        statistics.iLongestMinutes = longest->lDur / 60;
    }
    if (shortest) {
        statistics.vShortestUp = shortest->vUp;
        statistics.vShortestDown = shortest->vDown;
        statistics.iShortestMinutes = shortest->lDur / 60;
    }
    statistics.iSessionCount = last - first + 1;
    // Sessions without both times count in the divisor too.
    statistics.dAverageMinutes =
        static_cast<double>(totalSeconds / 60) / static_cast<double>(statistics.iSessionCount);
}

RangeTotals SumSessions(const SessionList& sessions, SessionIndex from, SessionIndex to)
{
    RangeTotals totals;
    const auto count = static_cast<SessionIndex>(sessions.size());
    for (SessionIndex i = std::max<SessionIndex>(from, 0); i <= to && i < count; ++i) {
        const SessionRecord& session = sessions[static_cast<std::size_t>(i)];
        totals.transmitted += session.lTx;
        totals.received += session.lRx;
        totals.seconds += session.lDur;
        if (session.vCommCost)
            totals.communicationCost = totals.communicationCost.value_or(0.0) + *session.vCommCost;
        if (session.vServCost)
            totals.serviceCost = totals.serviceCost.value_or(0.0) + *session.vServCost;
    }
    return totals;
}

RangeSummary SumRange(const SessionList& sessions, SessionIndex from, SessionIndex to,
                      const QLocale& locale)
{
    const RangeTotals totals = SumSessions(sessions, from, to);
    RangeSummary summary;
    summary.transmitted = FormatBytes(totals.transmitted, locale);
    summary.received = FormatBytes(totals.received, locale);
    summary.duration = QString::number(totals.seconds / 60) + QStringLiteral(" min");
    const auto count = static_cast<SessionIndex>(sessions.size());
    const auto timeText = [&](const std::optional<DateTime>& t) {
        return t ? FormatDateTime(*t, locale) : QString();
    };
    if (from >= 0 && from < count && to >= 0 && to < count)
        summary.period = timeText(sessions[static_cast<std::size_t>(from)].vUp) +
                         QStringLiteral("  -  ") +
                         timeText(sessions[static_cast<std::size_t>(to)].vDown);
    if (totals.communicationCost)
        summary.communicationCosts = FormatCurrency(*totals.communicationCost, locale);
    if (totals.serviceCost)
        summary.serviceCosts = FormatCurrency(*totals.serviceCost, locale);
    return summary;
}

} // namespace dialtally
