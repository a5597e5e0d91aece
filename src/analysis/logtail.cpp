#include "analysis/logtail.h"

#include "analysis/analysis.h"
#include "analysis/costs.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace dialtally {
namespace {

// The flag is known from the last record that changes it; this many records from the end are
// looked at for one.
constexpr std::int64_t kStateRecords = 4096;

QString LogPath(const QString& programDir)
{
    return QDir(programDir).filePath(kSessionLogName);
}

std::int64_t RecordCount(const QString& programDir)
{
    return QFile(LogPath(programDir)).size() / static_cast<std::int64_t>(kLogRecordSize);
}

// Records first..last-1 of the session log; false when they cannot all be read.
bool ReadRecords(const QString& programDir, std::int64_t first, std::int64_t last,
                 EventList& events)
{
    QFile file(LogPath(programDir));
    const auto size = static_cast<std::int64_t>(kLogRecordSize);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(first * size))
        return false;
    const QByteArray bytes = file.read((last - first) * size);
    if (bytes.size() != (last - first) * size)
        return false;
    events.reserve(events.size() + static_cast<std::size_t>(last - first));
    for (qsizetype at = 0; at < bytes.size(); at += size)
        events.push_back(DecodeRecord(reinterpret_cast<const unsigned char*>(bytes.data() + at)));
    return true;
}

// The in-session flag after events, when they hold a record that sets or clears it whatever it
// was before.
std::optional<bool> InSessionAfter(const EventList& events)
{
    SessionRecord started;
    started.vUp = DateTime{};
    SessionBuilder fromOutside({started}, false, false);
    SessionBuilder fromInside({started}, false, true);
    fromOutside.Add(events);
    fromInside.Add(events);
    if (fromOutside.InSession() != fromInside.InSession())
        return std::nullopt;
    return fromOutside.InSession();
}

} // namespace

LoadedEnd FindLoadedEnd(const QString& programDir, const SessionList& sessions)
{
    LoadedEnd end;
    end.records = RecordCount(programDir);
    // Only the first start clears the flag, and every start gives the entry an up time.
    end.firstStart = sessions.size() <= 1 && (sessions.empty() || !sessions.front().vUp);
    const std::int64_t first = std::max<std::int64_t>(0, end.records - kStateRecords);
    EventList events;
    std::optional<bool> inSession;
    if (ReadRecords(programDir, first, end.records, events)) {
        inSession = InSessionAfter(events);
        if (!events.empty())
            end.lastRecord = EncodeRecord(events.back());
    }
    // A log that starts inside the records read begins outside a session; past them, an open
    // last session is the best guess.
    if (!inSession)
        inSession =
            first == 0 ? false : !sessions.empty() && sessions.back().vUp && !sessions.back().vDown;
    end.inSession = *inSession;
    return end;
}

std::optional<SessionIndex> ExtendLoadedLog(const QString& programDir,
                                            const LoadedSettings& settings, SessionList& sessions,
                                            LoadedEnd& end)
{
    const std::int64_t records = RecordCount(programDir);
    if (records < end.records || sessions.empty())
        return std::nullopt;
    // The record before the new ones is read again: it must be the one the list ended with.
    const std::int64_t from = std::max<std::int64_t>(end.records - 1, 0);
    EventList events;
    if (!ReadRecords(programDir, from, records, events))
        return std::nullopt;
    if (end.records > 0) {
        if (events.empty() || EncodeRecord(events.front()) != end.lastRecord)
            return std::nullopt;
        events.erase(events.begin());
    }
    const auto firstTouched = static_cast<SessionIndex>(sessions.size()) - 1;
    if (events.empty())
        return firstTouched;

    // The last session goes back to the builder as the build left it: without the allowance.
    SessionList tail(1, std::move(sessions.back()));
    sessions.pop_back();
    if (tail.front().vUp)
        tail.front().vUp->seconds += settings.vAditionalConnectSeconds;
    SessionBuilder builder(std::move(tail), end.firstStart, end.inSession);
    builder.Add(events);
    end = {records, builder.FirstStart(), builder.InSession(), EncodeRecord(events.back())};
    tail = builder.Take();
    CalculateDurations(tail, settings.vAditionalConnectSeconds);
    sessions.insert(sessions.end(), std::make_move_iterator(tail.begin()),
                    std::make_move_iterator(tail.end()));
    if (HasRealSession(sessions)) {
        // Sessions before the tail kept their costs; a list that had no real session had none.
        SessionList priced(std::make_move_iterator(sessions.begin() + firstTouched),
                           std::make_move_iterator(sessions.end()));
        CalculateCosts(priced, settings.costs);
        std::move(priced.begin(), priced.end(), sessions.begin() + firstTouched);
    }
    return firstTouched;
}

} // namespace dialtally
