#pragma once

#include "log/datetime.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dialtally {

// pppd's log lines, as syslog, the journal or pppd's own logfile keep them, turned into
// connections. A connection is what one pppd process logs from "Connect: ppp0 <--> /dev/ttyS0"
// to "Connection terminated." with its "Sent N bytes, received M bytes." line; several pppd
// processes may log at once, so lines are grouped by the process id of their tag "pppd[PID]".
// Plain C++: it reads every line of a syslog of months.

// The moment of a time stamp with a zone (seconds since 1970-01-01 UTC) as the local wall-clock
// time that the session log keeps.
using LocalTimeOf = std::function<DateTime(std::int64_t unixSeconds)>;
// This system's zone (localtime_r).
DateTime SystemLocalTime(std::int64_t unixSeconds);

// The times a line is read at: a line without a time stamp (pppd's own logfile) takes now; a
// traditional syslog stamp "Dec 11 09:00:05" has no year and takes the latest year in which it is
// not more than a day after reference (the file's modification time, or the clock when
// following), so that a December line read in January falls in the year before.
struct ReadingTimes {
    DateTime now;
    DateTime reference;
};

// One line of pppd. Lines of other programs in a syslog are not pppd's.
struct PppdLine {
    DateTime time;
    bool stamped = false; // the time comes from the line's own time stamp
    std::int64_t pid = 0; // 0 when the line carries no tag (pppd's own logfile)
    std::string_view message;
};

// The time stamp forms read: traditional syslog "Dec 11 09:00:05" (with fractions of a second
// too), RFC 3339 "2024-12-11T09:00:05.123456+01:00" (also "Z", "+0100" or no zone, which is local
// time) converted to local time, and none. A stamped line is pppd's when a tag "pppd[PID]:" or
// "pppd:" stands among the three words after the stamp (host name, perhaps a facility); a line
// without a stamp is pppd's own (its tag is taken off when it has one).
std::optional<PppdLine> ParsePppdLine(std::string_view line, const ReadingTimes& times,
                                      const LocalTimeOf& localTime);

// A connection as pppd logged it: up at "Connect:", down at "Connection terminated." (else at
// pppd's exit, the next "Connect:" of the same process, or the last line before pppd was
// restarted), and its bytes when pppd reported them. Bytes are as pppd counted them, up to 64
// bits; an older pppd counts in 32 bits and prints a count past 2^31 as a negative number, which
// is taken as the unsigned count it is.
struct PppdConnection {
    std::int64_t pid = 0;
    DateTime up;
    DateTime down;
    std::optional<std::uint64_t> sent;
    std::optional<std::uint64_t> received;
    // Its "Connect:" line was not read: up is rebuilt from its closing lines.
    bool rebuilt = false;

    friend bool operator==(const PppdConnection&, const PppdConnection&) = default;
};

// A connection is complete once its down time is known and either its byte line was seen, or it
// can no longer come: a later line is more than kByteLineWait past the down time, pppd exited or
// started a new connection or was restarted, or the source ended (a source read once). A
// connection whose "Connect:" line was not read (the reading started inside it) is rebuilt from
// its closing lines when they give its end ("Connection terminated.") and its length ("Connect
// time 12.3 minutes."), to the six seconds that line tells; otherwise it is dropped and counted.
inline constexpr std::int64_t kByteLineWait = 5;

class PppdTranslator {
public:
    explicit PppdTranslator(LocalTimeOf localTime = SystemLocalTime);

    // Takes one line (without its line end). mark is the caller's name for where the line begins
    // (an offset in the source); EarliestOpenMark() hands it back.
    void Take(std::string_view line, std::int64_t mark, const ReadingTimes& times);
    // The source was read to its end and will not grow: every connection whose down time is
    // known is complete.
    void EndOfSource();

    // The connections completed since the last call, in the order they completed.
    std::vector<PppdConnection> TakeComplete();
    // The mark of the first line of the earliest connection that is still open: a reader that
    // starts again must start there to see it whole. Empty when none is open.
    std::optional<std::int64_t> EarliestOpenMark() const;

    std::int64_t PppdLines() const { return m_pppdLines; }
    // Connections dropped because their start is unknown.
    std::int64_t Dropped() const { return m_dropped; }

private:
    struct Open {
        std::int64_t pid = 0;
        std::int64_t mark = 0;
        std::optional<DateTime> up; // empty: its "Connect:" line was not read
        std::optional<DateTime> down;
        DateTime lastLine;
        std::optional<std::uint64_t> sent;
        std::optional<std::uint64_t> received;
        std::optional<std::int64_t> connectSeconds;
        bool terminated = false; // its "Connection terminated." line was read
        std::string device;      // "ppp0"
    };

    Open* Find(std::int64_t pid);
    Open& FindOrStart(std::int64_t pid, std::int64_t mark, DateTime time);
    void Connect(const PppdLine& line, std::int64_t mark);
    void SettleByTime(DateTime time);
    // Completes open connection i, if it can be delivered, and removes it.
    void Close(std::size_t i);
    void CloseFor(std::int64_t pid, std::optional<DateTime> downIfUnknown);

    LocalTimeOf m_localTime;
    std::vector<Open> m_open;
    std::vector<PppdConnection> m_complete;
    std::int64_t m_pppdLines = 0;
    std::int64_t m_dropped = 0;
};

} // namespace dialtally
