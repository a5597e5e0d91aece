#pragma once

#include "log/datetime.h"

#include <QString>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dialtally {

// One event of the session log: one recognised line of the adapter's diagnostic log.
struct LogEvent {
    // The time as the file stores it: days since 30 December 1899, time of day as the fraction.
    // Kept exactly as read so that a rewrite gives back the same bytes; use EventTime() to read it.
    double dtTime = 0.0;
    std::int16_t iCode = 0;
    std::int32_t lValue = 0;
};

using EventList = std::vector<LogEvent>;

// Empty when the stored time is not a usable date-time (NaN, infinite, absurd day counts).
std::optional<DateTime> EventTime(const LogEvent& event);
LogEvent MakeEvent(DateTime time, std::int16_t code, std::int32_t value = 0);

// The session log is a sequence of 14-byte little-endian records, back to back: the day count as
// an IEEE 754 double, the code as a signed 16-bit and the value as a signed 32-bit integer.
inline constexpr std::size_t kLogRecordSize = 14;
using LogRecordBytes = std::array<unsigned char, kLogRecordSize>;
LogRecordBytes EncodeRecord(const LogEvent& event);
// Inline: the reader decodes every record of the log with it.
inline LogEvent DecodeRecord(const unsigned char* bytes)
{
    LogEvent event;
    std::memcpy(&event.dtTime, bytes, 8);
    std::memcpy(&event.iCode, bytes + 8, 2);
    std::memcpy(&event.lValue, bytes + 10, 4);
    return event;
}

inline const QString kSessionLogName = QStringLiteral("SesLog.log");
inline const QString kSessionLogBackupName = QStringLiteral("SesLog.bak");

// All file functions take the program folder that holds the session log; they return false on
// failure and put a message naming the file into *error when error is given.

// Appends every record of "SesLog.log" to events, in file order. A missing file is an empty log.
// A trailing fragment shorter than a record is ignored. Nothing in a record is checked.
bool ReadSessionLog(const QString& programDir, EventList& events, QString* error = nullptr);

// Reads "SesLog.log" block by block and hands each block of records, in file order, to consume;
// the log is never held in memory as a whole. Same rules as the other reader.
bool ReadSessionLog(const QString& programDir,
                    const std::function<void(std::span<const LogEvent>)>& consume,
                    QString* error = nullptr);

// Writes events as the whole content of "SesLog.log". The new content replaces the file in one
// step (written aside, then renamed), so a failed write leaves no half-written log behind.
bool WriteSessionLog(const QString& programDir, std::span<const LogEvent> events,
                     QString* error = nullptr);

// Writes events after the last whole record of "SesLog.log", creating it when missing. Bytes
// after the last whole record are the torn start of a record whose write was cut short; they are
// cut off first, and *tornBytesCut says how many.
bool AppendSessionLog(const QString& programDir, std::span<const LogEvent> events,
                      QString* error = nullptr, std::int64_t* tornBytesCut = nullptr);

// How the value of an event is read from its line, by the low byte of its code: 100..199 a
// decimal counter, 200..255 a hexadecimal address, anything else no value (0).
enum class ValueKinds : std::int16_t { None = 0, DecimalCounter = 1, HexAddress = 2 };
ValueKinds ValueKind(int code);

// One connection, rebuilt from the events on every load. Empty fields stay distinguishable from 0.
struct SessionRecord {
    std::optional<DateTime> vUp;
    std::optional<DateTime> vDown;
    std::optional<std::string> vDurText;
    std::int32_t lDur = 0; // seconds
    std::int32_t lTx = 0;  // bytes transmitted
    std::int32_t lRx = 0;  // bytes received
    std::optional<double> vCommCost;
    std::optional<double> vServCost;
    std::int16_t iCrcErrors = 0;
    std::int16_t iTimeoutErrors = 0;
    std::int16_t iAlignmentErrors = 0;
    std::int16_t iOverrunErrors = 0;
    std::int16_t iFramingErrors = 0;
    std::int16_t iBufferOverrunErrors = 0;
    std::int16_t iIncompletePackets = 0;
};

// The seven error counters in record order (CRC, timeout, alignment, overrun, framing, buffer
// overrun, incomplete packets).
inline constexpr int kErrorCounterCount = 7;
std::array<int, kErrorCounterCount> ErrorCounters(const SessionRecord& session);

// Indexed from 0 and never empty; in the order in which the sessions started in the log.
using SessionList = std::vector<SessionRecord>;
// An index into the session list; ranges of indexes may be empty (first > last) or run to -1.
using SessionIndex = std::int64_t;

SessionList BuildSessions(std::span<const LogEvent> events);

// Builds sessions from events fed one at a time, in log order; BuildSessions in steps, so that a
// load can build while it reads.
class SessionBuilder {
public:
    // Room for the expected number of sessions is taken at once.
    explicit SessionBuilder(std::size_t expectedSessions = 0);
    // Goes on with a build: the sessions built so far (at least one) and the two flags the
    // build had after the events it was given.
    SessionBuilder(SessionList sessions, bool firstStart, bool inSession);
    void Add(const LogEvent& event);
    void Add(std::span<const LogEvent> events);
    SessionList Take();
    bool FirstStart() const { return m_firstStart; }
    bool InSession() const { return m_inSession; }

private:
    SessionList m_sessions;
    bool m_firstStart = true;
    bool m_inSession = false;
};

// Reads the session log and builds its sessions in one pass. On a read failure the sessions
// hold what was read before it, as a load expects.
bool ReadSessions(const QString& programDir, SessionList& sessions, QString* error = nullptr);

} // namespace dialtally
