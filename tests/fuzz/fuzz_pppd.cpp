// The pppd translator over arbitrary lines. What the logger relies on is checked: a logger that
// stops anywhere and starts again at the place the translator held (the first line of the
// earliest open connection) delivers, through the ledger, every connection whose start one
// reading of everything finds, and none that it does not find; and every delivered connection
// becomes adapter lines that the update turns into exactly one session with its times and
// (clamped) bytes. A connection rebuilt from closing lines alone is a best effort: closing lines
// of one process repeated out of order may rebuild it differently from another place.

#include "fuzzsupport.h"
#include "log/adapterline.h"
#include "log/ledger.h"
#include "log/pppd.h"
#include "log/pppddelivery.h"
#include "log/sessionlog.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace dialtally;

namespace {

struct Line {
    std::string_view text;
    std::int64_t mark;
};

DateTime OneHourEast(std::int64_t unixSeconds)
{
    return DateTime{unixSeconds + 25569 * kSecondsPerDay + 3600};
}

// The connections of lines[first..] that a translator completes, and where it would hold the
// place at the end (the mark of the earliest open line; the end when none is open).
std::vector<PppdConnection> Translate(const std::vector<Line>& lines, std::size_t first,
                                      std::size_t end, bool endOfSource, std::int64_t& held)
{
    const ReadingTimes times{*MakeDateTime(2025, 6, 15, 12), *MakeDateTime(2025, 6, 15, 12)};
    PppdTranslator translator(OneHourEast);
    for (std::size_t i = first; i < end; ++i)
        translator.Take(lines[i].text, lines[i].mark, times);
    if (endOfSource)
        translator.EndOfSource();
    const std::optional<std::int64_t> open = translator.EarliestOpenMark();
    held = open ? *open : static_cast<std::int64_t>(end);
    FUZZ_CHECK(!open || (*open >= static_cast<std::int64_t>(first) &&
                         *open < static_cast<std::int64_t>(end)));
    return translator.TakeComplete();
}

struct Delivered {
    LedgerEntry entry;
    bool rebuilt = false;
};

// What a ledger lets through, in order.
void Deliver(const std::vector<PppdConnection>& connections, std::vector<Delivered>& ledger)
{
    for (const PppdConnection& c : connections) {
        const LedgerEntry entry{c.pid, c.up, c.down};
        if (std::none_of(ledger.begin(), ledger.end(), [&](const Delivered& held) {
                return SameConnection(held.entry, entry);
            }))
            ledger.push_back({entry, c.rebuilt});
    }
}

bool Matched(const LedgerEntry& entry, const std::vector<Delivered>& in)
{
    return std::any_of(in.begin(), in.end(), [&](const Delivered& other) {
        return SameConnection(other.entry, entry);
    });
}

// The adapter lines of the connection, read back as the update reads them, make one session.
void CheckSession(const PppdConnection& connection, Dialect dialect)
{
    const Delivery delivery = DeliveryOf(connection, {dialect, AdapterLanguage::Italian});
    EventList events;
    std::size_t at = 0;
    for (std::size_t end; (end = delivery.fields.find("\"\r\n", at)) != std::string::npos;
         at = end + 3) {
        FUZZ_CHECK(delivery.fields[at] == '"');
        const std::string_view line =
            std::string_view(delivery.fields).substr(at + 1, end - at - 1);
        const std::optional<DateTime> time = LineTime(line);
        FUZZ_CHECK(time);
        const std::int16_t code = ClassifyMessage(MessageText(line), dialect);
        FUZZ_CHECK(code != 0);
        const std::int32_t value =
            ValueKind(code) == ValueKinds::DecimalCounter ? DecimalValue(line) : 0;
        events.push_back(MakeEvent(*time, code, value));
    }
    FUZZ_CHECK(at == delivery.fields.size());
    const SessionList sessions = BuildSessions(events);
    FUZZ_CHECK(sessions.size() == 1);
    const SessionRecord& s = sessions.front();
    FUZZ_CHECK(s.vUp && *s.vUp == connection.up);
    FUZZ_CHECK(s.vDown && *s.vDown == std::max(connection.down, connection.up));
    const auto clamped = [](const std::optional<std::uint64_t>& count) {
        return static_cast<std::int32_t>(
            std::min<std::uint64_t>(count.value_or(0), kMaxLoggedBytes));
    };
    FUZZ_CHECK(s.lTx == clamped(connection.sent));
    FUZZ_CHECK(s.lRx == clamped(connection.received));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const std::uint16_t split = input.Take<std::uint16_t>();
    const bool endOfSource = input.TakeFlag();
    const std::string_view text = input.Rest();

    std::vector<Line> lines;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        lines.push_back({text.substr(at, end - at), static_cast<std::int64_t>(lines.size())});
        at = end + 1;
    }
    const std::size_t stop = lines.empty() ? 0 : split % (lines.size() + 1);

    std::int64_t held = 0;
    const std::vector<PppdConnection> whole = Translate(lines, 0, lines.size(), endOfSource, held);
    std::vector<Delivered> once;
    Deliver(whole, once);

    // Stopped after line stop, started again at the place held then.
    const std::vector<PppdConnection> before = Translate(lines, 0, stop, false, held);
    std::int64_t ignored = 0;
    const std::vector<PppdConnection> after =
        Translate(lines, static_cast<std::size_t>(held), lines.size(), endOfSource, ignored);
    std::vector<Delivered> twice;
    Deliver(before, twice);
    Deliver(after, twice);

    for (const Delivered& delivered : once)
        FUZZ_CHECK(delivered.rebuilt || Matched(delivered.entry, twice));
    for (const Delivered& delivered : twice)
        FUZZ_CHECK(delivered.rebuilt || Matched(delivered.entry, once));

    for (const PppdConnection& connection : whole) {
        CheckSession(connection, Dialect::Windows95);
        CheckSession(connection, Dialect::Windows98);
    }
    return 0;
}
