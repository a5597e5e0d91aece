// The load and the whole analysis over an arbitrary session log and arbitrary settings. The input
// begins with the settings (flags, every money value as raw double bits so that NaN, infinities
// and huge values come up, the delay, a rate code for each of the 168 hours, the allowance, a
// period and a run of sessions to sum); the rest is the content of "SesLog.log".

#include "analysis/analysis.h"
#include "analysis/costs.h"
#include "analysis/formatting.h"
#include "analysis/monthly.h"
#include "analysis/settings.h"
#include "fuzzsupport.h"
#include "log/sessionlog.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>

using namespace dialtally;

namespace {

struct FuzzSettings {
    CostSettings costs;
    std::int32_t allowance = 0;
    DateTime firstDay;
    DateTime lastDay;
    bool toEnd = false;
    QLocale locale;
    std::uint16_t sumFrom = 0;
    std::uint16_t sumTo = 0;
};

// A time anywhere in the usable range of dates, widened by a century each side because the
// allowance can move up times beyond it.
DateTime AnyTime(std::uint64_t bits)
{
    constexpr std::int64_t kFirst = (-657434 - 36600) * kSecondsPerDay;
    constexpr std::int64_t kLast = (2958466 + 36600) * kSecondsPerDay;
    return DateTime{kFirst +
                    static_cast<std::int64_t>(bits % static_cast<std::uint64_t>(kLast - kFirst))};
}

QLocale AnyLocale(std::uint8_t choice)
{
    switch (choice % 4) {
    case 0:
        return QLocale::c();
    case 1:
        return QLocale(QLocale::German, QLocale::Germany);
    case 2:
        return QLocale(QLocale::Finnish, QLocale::Finland);
    default:
        return QLocale(QLocale::English, QLocale::UnitedStates);
    }
}

FuzzSettings TakeSettings(fuzz::FuzzInput& input)
{
    FuzzSettings s;
    const auto flags = input.Take<std::uint8_t>();
    s.costs.bCommCosts = flags & 1;
    s.costs.bServCosts = flags & 2;
    s.costs.bServRounding = flags & 4;
    s.toEnd = flags & 8;
    s.locale = AnyLocale(static_cast<std::uint8_t>(flags >> 4));
    s.costs.vCommConnect = input.Take<double>();
    for (double& rate : s.costs.vCommRate)
        rate = input.Take<double>();
    s.costs.vServConnect = input.Take<double>();
    s.costs.vServMinute = input.Take<double>();
    s.costs.vServFlatMonth = input.Take<double>();
    s.costs.vServDataMb = input.Take<double>();
    s.costs.vCommRateDelayMinutes = input.Take<std::int16_t>();
    for (std::int16_t& code : s.costs.vCommRatesDay.codes)
        code = input.Take<std::int8_t>();
    s.allowance = input.Take<std::int32_t>();
    s.firstDay = AnyTime(input.Take<std::uint64_t>());
    s.lastDay = AnyTime(input.Take<std::uint64_t>());
    s.sumFrom = input.Take<std::uint16_t>();
    s.sumTo = input.Take<std::uint16_t>();
    return s;
}

const QString& ProgramDir()
{
    static const QTemporaryDir dir(QString::fromStdString(fuzz::ScratchFolderTemplate()));
    FUZZ_CHECK(dir.isValid());
    static const QString path = dir.path();
    return path;
}

void WriteLog(std::string_view bytes)
{
    QFile file(ProgramDir() + QStringLiteral("/") + kSessionLogName);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size()));
}

bool SameSession(const SessionRecord& a, const SessionRecord& b)
{
    return a.vUp == b.vUp && a.vDown == b.vDown && a.vDurText == b.vDurText && a.lDur == b.lDur &&
           a.lTx == b.lTx && a.lRx == b.lRx && ErrorCounters(a) == ErrorCounters(b) &&
           a.vCommCost.has_value() == b.vCommCost.has_value() &&
           a.vServCost.has_value() == b.vServCost.has_value();
}

// Both readers and both ways of building must agree with the bytes of the file.
SessionList ReadAndBuild(std::string_view log)
{
    WriteLog(log);
    EventList events;
    FUZZ_CHECK(ReadSessionLog(ProgramDir(), events));
    FUZZ_CHECK(events.size() == log.size() / kLogRecordSize);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const LogRecordBytes bytes = EncodeRecord(events[i]);
        FUZZ_CHECK(log.compare(i * kLogRecordSize, kLogRecordSize,
                               reinterpret_cast<const char*>(bytes.data()), bytes.size()) == 0);
    }
    SessionList sessions;
    FUZZ_CHECK(ReadSessions(ProgramDir(), sessions));
    const SessionList built = BuildSessions(events);
    FUZZ_CHECK(!sessions.empty() && sessions.size() == built.size());
    for (std::size_t i = 0; i < sessions.size(); ++i)
        FUZZ_CHECK(SameSession(sessions[i], built[i]));
    return sessions;
}

// "h:mm:ss" reads back as the duration.
void CheckDurations(const SessionList& sessions)
{
    for (const SessionRecord& session : sessions) {
        if (!session.vUp || !session.vDown)
            continue;
        FUZZ_CHECK(session.lDur >= 0 && session.vDurText);
        const std::string& text = *session.vDurText;
        const std::size_t colon = text.find(':');
        FUZZ_CHECK(colon != std::string::npos && text.size() == colon + 6 &&
                   text[colon + 3] == ':');
        const std::int64_t hours = std::stoll(text.substr(0, colon));
        const int minutes = std::stoi(text.substr(colon + 1, 2));
        const int seconds = std::stoi(text.substr(colon + 4, 2));
        FUZZ_CHECK(minutes < 60 && seconds < 60);
        FUZZ_CHECK(hours * 3600 + minutes * 60 + seconds == session.lDur);
    }
}

bool Moderate(double value)
{
    return std::isfinite(value) && std::fabs(value) < 1e12;
}

// With one price for every rate code, every minute costs the same wherever it falls: the
// telephone charge is the whole duration at that price, whatever the grid and the delay say.
void CheckEvenTariff(const SessionList& sessions, const CostSettings& costs)
{
    if (!Moderate(costs.vCommRate[0]) || !Moderate(costs.vCommConnect))
        return;
    CostSettings even = costs;
    even.vCommRate.fill(costs.vCommRate[0]);
    // A few sessions of up to five weeks (past every hour of the week) are enough; the walk over
    // the hours of longer ones only costs time.
    constexpr std::int32_t kLongest = 35 * 24 * 3600;
    std::size_t checked = 0;
    for (const SessionRecord& session : sessions) {
        if (!session.vUp || session.lDur > kLongest || ++checked > 8)
            continue;
        const double cost = CommunicationCost(session.lDur, *session.vUp, even);
        const double expected = costs.vCommRate[0] * (session.lDur / 60.0) + costs.vCommConnect;
        const double scale = std::fabs(costs.vCommRate[0]) * (session.lDur / 60.0 + 1) +
                             std::fabs(costs.vCommConnect) + 1e-9;
        FUZZ_CHECK(std::fabs(cost - expected) <= 1e-9 * scale);
    }
}

void CheckCosts(const SessionList& sessions, const CostSettings& costs)
{
    for (const SessionRecord& session : sessions) {
        FUZZ_CHECK(session.vCommCost.has_value() == (costs.bCommCosts && session.vUp.has_value()));
        FUZZ_CHECK(session.vServCost.has_value() == costs.bServCosts);
    }
    CheckEvenTariff(sessions, costs);
}

bool HasBothTimes(const SessionRecord& session)
{
    return session.vUp && session.vDown;
}

void CheckStatistics(const SessionList& sessions, const Statistics& statistics)
{
    const auto count = static_cast<SessionIndex>(sessions.size());
    FUZZ_CHECK(statistics.iFirst >= 0 && statistics.iFirst <= count);
    FUZZ_CHECK(statistics.iLast >= -1 && statistics.iLast < count);
    const SessionIndex inRange =
        std::max<SessionIndex>(statistics.iLast - statistics.iFirst + 1, 0);
    FUZZ_CHECK(statistics.iSessionCount == inRange || statistics.iSessionCount == 0);
    FUZZ_CHECK(std::isfinite(statistics.dAverageMinutes) && statistics.dAverageMinutes >= 0);
    for (SessionIndex i = statistics.iFirst; i <= statistics.iLast; ++i) {
        const SessionRecord& session = sessions[static_cast<std::size_t>(i)];
        if (!HasBothTimes(session) || statistics.iSessionCount == 0)
            continue;
        FUZZ_CHECK(statistics.vLongestUp && statistics.vShortestUp);
        FUZZ_CHECK(session.lDur / 60 <= statistics.iLongestMinutes);
        FUZZ_CHECK(session.lDur / 60 >= statistics.iShortestMinutes);
    }
}

void CheckRange(const SessionList& sessions, const FuzzSettings& s)
{
    const Statistics range = AnalyseRange(sessions, s.firstDay, s.lastDay, s.toEnd);
    FUZZ_CHECK(range.fSelection);
    CheckStatistics(sessions, range);
    const auto count = static_cast<SessionIndex>(sessions.size());
    if (range.iFirst < count) {
        const auto& up = sessions[static_cast<std::size_t>(range.iFirst)].vUp;
        FUZZ_CHECK(up && (*up >= s.firstDay || IsSameDay(*up, s.firstDay)));
    }
    if (s.toEnd)
        FUZZ_CHECK(range.iLast == count - 1);
}

void CheckMonthly(const SessionList& sessions, double flatMonth)
{
    const MonthlySummary summary = CalcMonthlyTotals(sessions, flatMonth);
    FUZZ_CHECK(summary.averages.has_value() == !summary.months.empty());
    std::int64_t seconds = 0;
    for (const MonthTotals& month : summary.months) {
        FUZZ_CHECK(month.month >= 1 && month.month <= 12);
        seconds += month.seconds;
    }
    if (!HasRealSession(sessions)) {
        FUZZ_CHECK(summary.months.empty());
        return;
    }
    std::int64_t expected = 0;
    for (const SessionRecord& session : sessions)
        if (HasBothTimes(session))
            expected += session.lDur;
    FUZZ_CHECK(seconds == expected);
}

void CheckTexts(const SessionList& sessions, const FuzzSettings& s)
{
    const auto count = static_cast<SessionIndex>(sessions.size());
    SessionIndex from = s.sumFrom % count;
    SessionIndex to = s.sumTo % count;
    if (from > to)
        std::swap(from, to);
    const RangeSummary summary = SumRange(sessions, from, to, s.locale);
    FUZZ_CHECK(!summary.transmitted.isEmpty() && !summary.received.isEmpty());
    FUZZ_CHECK(summary.duration.endsWith(QStringLiteral(" min")));
    const RangeTotals totals = SumSessions(sessions, from, to);
    FUZZ_CHECK(summary.communicationCosts.isEmpty() == !totals.communicationCost);
    FUZZ_CHECK(summary.serviceCosts.isEmpty() == !totals.serviceCost);
    (void)CurrencyText(s.locale);
    for (const SessionRecord& session : sessions) {
        if (session.vUp)
            (void)FormatDateTime(*session.vUp, s.locale);
        (void)FormatBytes(session.lTx, s.locale);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const FuzzSettings s = TakeSettings(input);
    SessionList sessions = ReadAndBuild(input.Rest());

    CalculateDurations(sessions, s.allowance);
    CheckDurations(sessions);
    const Statistics all = AnalyseAll(sessions);
    FUZZ_CHECK(all.iFirst == 0 && all.iLast == static_cast<SessionIndex>(sessions.size()) - 1);
    CheckStatistics(sessions, all);

    CalculateCosts(sessions, s.costs);
    CheckCosts(sessions, s.costs);
    CheckRange(sessions, s);
    CheckMonthly(sessions, s.costs.vServFlatMonth);
    CheckTexts(sessions, s);
    return 0;
}
