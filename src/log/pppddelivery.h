#pragma once

#include "log/adapterphrases.h"
#include "log/datafile.h"
#include "log/ledger.h"
#include "log/pppd.h"
#include "platform/system.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dialtally {

// A pppd connection reaches the session log as the dial-up adapter would have logged it: a few
// adapter lines in the data file, in the dialect and language the update reads, with the
// connection's own times, so that the update builds exactly one session of it.

struct AdapterWording {
    Dialect dialect = Dialect::Windows98;
    AdapterLanguage language = AdapterLanguage::English;
};

// The session log keeps byte counts as 32-bit signed numbers.
inline constexpr std::uint64_t kMaxLoggedBytes = 2147483647;

// One connection as the data file and the ledger take it.
struct Delivery {
    LedgerEntry key;
    std::string fields; // data file fields, each double-quoted and ending CR LF
    DateTime up;
};

// "MM-DD-YYYY hh:mm:ss.00 - message", the adapter's line.
std::string AdapterLineText(DateTime time, std::string_view message);

// Windows 98: the adapter's log opened (257) at up; bytes received (357), bytes transmitted (358)
// and the log closed (258) at down. Windows 95: IPCP layer started (13), since the log opened does
// not start a session there, then 101, 102 and the log closed (2). Without a byte line no counter
// lines. A count above kMaxLoggedBytes is written as that; *clamped tells.
Delivery DeliveryOf(const PppdConnection& connection, const AdapterWording& wording,
                    bool* clamped = nullptr);

// What one batch appends: the fields of the connections that are new, and their ledger lines.
struct BatchTexts {
    std::string data;
    std::string ledger;
    int connections = 0; // new ones, in data
    int already = 0;     // dropped: the ledger, or an earlier one of the batch, holds them
};

// Reads what the ledger gained and sorts the deliveries into new ones and those already
// delivered. Call with the data lock held, right before the batch is appended. False with
// *problem when the ledger cannot be read.
bool PrepareBatch(const HandoverFiles& files, Ledger& ledger, std::span<const Delivery> deliveries,
                  BatchTexts& texts, std::string* problem);

// For the writers that keep no place in a source (a run over a whole source, standard input, the
// ip-down hook): under the data lock (waiting up to lockWait) settles a batch that a dead writer
// left, then appends the new deliveries as one batch, leaving the place that the position file
// keeps for the logger as it is. *done tells what was written. False with *problem; nothing is
// written then.
bool DeliverConnections(const HandoverFiles& files, Ledger& ledger,
                        std::span<const Delivery> deliveries, std::chrono::milliseconds lockWait,
                        BatchTexts* done, std::string* problem);

// Connections waiting to be delivered, for the writers that keep no place: they stay until a
// delivery succeeds.
class PppdDeliverer {
public:
    using Reporter = std::function<void(const std::string& problem)>;

    PppdDeliverer(HandoverFiles files, AdapterWording wording, Reporter report);

    void Add(std::span<const PppdConnection> connections);
    // Delivers what waits, in order of up time. False with *problem when it could not; the
    // connections wait then.
    bool Flush(std::chrono::milliseconds lockWait, std::string* problem);
    bool HasPending() const { return !m_pending.empty(); }
    int Delivered() const { return m_delivered; }
    int Already() const { return m_already; }

private:
    HandoverFiles m_files;
    AdapterWording m_wording;
    Reporter m_report;
    Ledger m_ledger;
    std::vector<Delivery> m_pending;
    int m_delivered = 0;
    int m_already = 0;
    bool m_clampTold = false;
};

// What the warning about a byte count beyond the session log's range says.
std::string ClampedBytesWarning();

// A source whose lines are not the adapter's, as the companion logger follows it: its lines go
// in, whole connections come out.
class SourceTranslator {
public:
    virtual ~SourceTranslator() = default;
    // Before the lines of one look at the source.
    virtual void BeginReading() = 0;
    // One line without its line end; mark: where it begins.
    virtual void Take(std::string_view line, std::int64_t mark) = 0;
    // Moves the connections that are complete to out.
    virtual void TakeReady(std::vector<Delivery>& out) = 0;
    // The mark of the first line of the earliest connection still open; empty when none is.
    virtual std::optional<std::int64_t> EarliestOpenMark() const = 0;
};

// pppd's lines in syslog, the journal or its own logfile (log/pppd.h), each connection written
// in the given wording. A line without a time stamp takes the clock's time; the clock is also
// the reference for the year of a traditional syslog stamp. The first byte count beyond the
// session log's range is reported once.
class PppdSourceTranslator : public SourceTranslator {
public:
    using Clock = std::function<DateTime()>;
    using Reporter = std::function<void(const std::string& problem)>;

    PppdSourceTranslator(AdapterWording wording, Clock clock, Reporter report,
                         LocalTimeOf localTime = SystemLocalTime);

    void BeginReading() override;
    void Take(std::string_view line, std::int64_t mark) override;
    void TakeReady(std::vector<Delivery>& out) override;
    std::optional<std::int64_t> EarliestOpenMark() const override;

private:
    AdapterWording m_wording;
    Clock m_clock;
    Reporter m_report;
    PppdTranslator m_translator;
    ReadingTimes m_times;
    bool m_clampTold = false;
};

// The local wall-clock time now.
DateTime LocalNow();

} // namespace dialtally
