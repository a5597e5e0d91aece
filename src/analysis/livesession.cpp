#include "analysis/livesession.h"

#include "analysis/analysis.h"
#include "analysis/costs.h"
#include "analysis/formatting.h"

#include <algorithm>
#include <limits>

namespace dialtally {

std::optional<double> OpenSession::SoFar() const
{
    if (!communicationCost && !serviceCost)
        return std::nullopt;
    return communicationCost.value_or(0.0) + serviceCost.value_or(0.0);
}

std::optional<OpenSession> FindOpenSession(const SessionList& sessions, DateTime now,
                                           const CostSettings& costs)
{
    // Only the last entry can lack a down time: a start reuses an entry that never got one.
    if (sessions.empty())
        return std::nullopt;
    const SessionRecord& last = sessions.back();
    if (!last.vUp || last.vDown)
        return std::nullopt;
    OpenSession open;
    open.index = static_cast<SessionIndex>(sessions.size()) - 1;
    open.up = *last.vUp;
    const std::int64_t elapsed = std::clamp<std::int64_t>(now.seconds - last.vUp->seconds, 0,
                                                          std::numeric_limits<std::int32_t>::max());
    open.elapsedSeconds = static_cast<std::int32_t>(elapsed);
    if (costs.bCommCosts)
        open.communicationCost = CommunicationCost(open.elapsedSeconds, open.up, costs);
    if (costs.bServCosts)
        open.serviceCost = ServiceCost(open.elapsedSeconds, 0, 0, costs);
    return open;
}

std::optional<SessionIndex> ApplyOpenSession(SessionList& sessions, DateTime now,
                                             const CostSettings& costs)
{
    const auto open = FindOpenSession(sessions, now, costs);
    if (!open)
        return std::nullopt;
    SessionRecord& record = sessions[static_cast<std::size_t>(open->index)];
    record.lDur = open->elapsedSeconds;
    record.vDurText = DurationText(open->elapsedSeconds);
    record.vCommCost = open->communicationCost;
    record.vServCost = open->serviceCost;
    return open->index;
}

QString OpenSessionText(const OpenSession& session, const QLocale& locale)
{
    QString text = QStringLiteral("Online since %1: %2")
                       .arg(FormatLongTime(session.up, locale),
                            QString::fromStdString(DurationText(session.elapsedSeconds)));
    if (const auto soFar = session.SoFar())
        text += QStringLiteral(", %1 so far").arg(FormatCurrency(*soFar, locale));
    return text;
}

} // namespace dialtally
