#pragma once

#include "log/datetime.h"
#include "log/progress.h"
#include "log/replacelog.h"
#include "log/sessionlog.h"
#include "log/update.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace dialtally {

// The commands that shorten or replace the session log: Clear Log, the deletion of the period of
// the selected sessions, and the save of the log editor. Each runs under the update lock
// (ChangeSessionLog), after an interrupted update is finished.

// The texts that the window and the command line show alike. Line breaks are "\r\n".
inline const QString kClearLogQuestion =
    QStringLiteral("This action will clear whole Log.\r\n\r\nAre you sure you want to continue?");
inline const QString kLogClearedText = QStringLiteral("Log Cleared.");
inline const QString kDeletingText = QStringLiteral("Analyzing log integrity, please wait..");
inline const QString kPartDeletedText = QStringLiteral("Part of log successfully deleted.");
inline const QString kCouldNotDeleteText =
    QStringLiteral("Could not delete log.\r\nError occured!");
// upText and downText are the times as the session list holds them, already formatted.
QString DeleteQuestion(const QString& upText, const QString& downText);
// What a deletion says when its write failed after the log had become the backup.
QString LogDestroyedText(const QString& backupPath);

// The events that a deletion removes: every event whose time lies from start to end, both
// inclusive, compared to the second.
struct DeletionSpan {
    DateTime start;
    DateTime end;

    friend bool operator==(const DeletionSpan&, const DeletionSpan&) = default;
};

// A deletion keeps this margin around the sessions it removes, so that the events logged just
// before a connection came up and just after it went down go with it.
inline constexpr std::int64_t kSecondsBeforeStart = 8;
inline constexpr std::int64_t kSecondsAfterEnd = 4;

// The span of the sessions first..last as the session list holds them (connect times moved
// earlier by the allowance): from the first session's logged connect time (its connect time plus
// the allowance) less 8 seconds to 4 seconds after the last session's disconnect time, or after
// its connect time as held when it has no disconnect time. Empty when the first session has no
// connect time or the last has neither time.
std::optional<DeletionSpan> SpanOfSessions(const SessionRecord& first, const SessionRecord& last,
                                           std::int32_t additionalConnectSeconds);

// An event lies in the span when its time, to the second, is neither before start nor after end.
// An event whose time is no usable date lies in no span.
bool InSpan(const LogEvent& event, const DeletionSpan& span);

// The same test as InSpan, prepared once for a span so that millions of records are tested at
// the speed of a comparison of two numbers.
class SpanTest {
public:
    explicit SpanTest(const DeletionSpan& span);
    bool Contains(double dayCount) const
    {
        // Day counts from 0 on grow with the time they stand for; the others (before 1899, not a
        // number) are converted one by one.
        if (dayCount >= 0.0)
            return dayCount >= m_lowest && dayCount <= m_highest;
        return ContainsSlowly(dayCount);
    }

private:
    bool ContainsSlowly(double dayCount) const;
    DeletionSpan m_span;
    double m_lowest = 1.0;  // the smallest day count from 0 on inside the span
    double m_highest = 0.0; // the largest; below m_lowest when none is inside
};

struct DeletionReport {
    std::int64_t kept = 0;
    std::int64_t dropped = 0;
    ReplaceResult replace; // how the log was replaced; its error tells why a deletion failed
};

// Removes every event of the span from "SesLog.log", keeping the others byte for byte and in
// their order, and keeps the previous log as "SesLog.bak" (ReplaceSessionLog). A missing log
// cannot be shortened and fails. The bar advances by 2 at the first dropped event and by 1 after
// the scan, and is set to its maximum on success. False with report->replace telling why; the
// log is then unchanged unless report->replace.logOnlyInBackup is set.
bool DeletePeriod(const QString& programDir, const DeletionSpan& span, ProgressBar* bar,
                  DeletionReport* report = nullptr);

// DeletePeriod under the update lock, after an interrupted update is finished. When it fails,
// report->replace.error tells why (also when the lock could not be had).
bool DeleteLogPeriod(const UpdateSettings& settings, const DeletionSpan& span, ProgressBar* bar,
                     DeletionReport* report = nullptr);

// Deletes "SesLog.log" under the update lock; "SesLog.bak" and the logger's files stay. False with
// *error when there is no log to delete or it cannot be deleted.
bool ClearSessionLog(const UpdateSettings& settings, QString* error = nullptr);

// The log editor's save: the events replace the log (ReplaceSessionLog) under the update lock.
bool SaveEditedLog(const UpdateSettings& settings, std::span<const LogEvent> events,
                   ReplaceResult* result = nullptr);

} // namespace dialtally
