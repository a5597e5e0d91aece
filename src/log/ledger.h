#pragma once

#include "log/datetime.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace dialtally {

// The ledger "Dtally.ppp" beside the data file: every pppd connection that reached the data file,
// one line each, "PID UP DOWN" with the times as YYYY-MM-DDThh:mm:ss, appended in the same batch
// as the connection's lines. Whoever delivers a connection (the logger following a syslog, a run
// over a whole file, the ip-down hook) first looks it up here, so that no connection reaches the
// data file twice, whichever way and however often it is read.
struct LedgerEntry {
    std::int64_t pid = 0; // 0: the source did not tell
    DateTime up;
    DateTime down;

    friend bool operator==(const LedgerEntry&, const LedgerEntry&) = default;
};

std::string LedgerLine(const LedgerEntry& entry); // with its line end
std::optional<LedgerEntry> ParseLedgerLine(std::string_view line);

// Two entries name the same connection when they come from the same pppd process (or one does
// not know its process) and their times overlap or they end or begin at the same second: one
// pppd process carries one connection at a time. The times need not be equal: the ip-down hook
// knows the connection's length from pppd to the second, a connection rebuilt from its closing
// lines to six seconds, and the hook's up time is when the link came up, a few seconds after the
// "Connect:" line.
bool SameConnection(const LedgerEntry& a, const LedgerEntry& b);

// The ledger as read so far; what this process appends is read back like everything else. The
// file only grows, except that a batch cut short is taken back: a file shorter than what was read
// is read again from the start.
class Ledger {
public:
    // Reads what was appended since the last call. A line that does not read as an entry is
    // skipped and counted. False with *error when the file exists but cannot be read.
    bool Refresh(const std::string& path, std::string* error = nullptr);
    bool Holds(const LedgerEntry& entry) const;
    std::size_t Size() const { return m_size; }
    std::int64_t SkippedLines() const { return m_skipped; }

private:
    void Add(const LedgerEntry& entry);
    void Clear();

    std::map<std::int64_t, std::vector<LedgerEntry>> m_byPid;
    std::size_t m_size = 0;
    off_t m_readTo = 0;
    std::int64_t m_skipped = 0;
};

} // namespace dialtally
