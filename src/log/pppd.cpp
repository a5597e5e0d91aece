#include "log/pppd.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <limits>

namespace dialtally {
namespace {

// 1970-01-01 as a DateTime: 25569 days after 1899-12-30.
constexpr std::int64_t kUnixEpoch = 25569 * kSecondsPerDay;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// n digits at at; false when the line is shorter or a character is not a digit.
bool ReadDigits(std::string_view text, std::size_t at, std::size_t n, int& value)
{
    if (text.size() < at + n)
        return false;
    value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (!IsDigit(text[i]))
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Past ".123456" or ",123" after the seconds.
std::size_t SkipFraction(std::string_view text, std::size_t at)
{
    if (at < text.size() && (text[at] == '.' || text[at] == ',') && at + 1 < text.size() &&
        IsDigit(text[at + 1])) {
        ++at;
        while (at < text.size() && IsDigit(text[at]))
            ++at;
    }
    return at;
}

int MonthOf(std::string_view name)
{
    static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i) {
        if (name == kMonths[i])
            return i + 1;
    }
    return 0;
}

struct Stamp {
    DateTime time;
    std::size_t length = 0; // characters of the line it takes
};

// "Dec 11 09:00:05" or "Dec  1 09:00:05", perhaps with a fraction of a second. The year is the
// latest one in which the time is not more than a day after the reference.
std::optional<Stamp> TraditionalStamp(std::string_view line, DateTime reference)
{
    if (line.size() < 15 || line[3] != ' ' || line[6] != ' ' || line[9] != ':' || line[12] != ':')
        return std::nullopt;
    const int month = MonthOf(line.substr(0, 3));
    int day = 0, hour = 0, minute = 0, second = 0;
    const bool dayOk = line[4] == ' ' ? ReadDigits(line, 5, 1, day) : ReadDigits(line, 4, 2, day);
    if (month == 0 || !dayOk || !ReadDigits(line, 7, 2, hour) || !ReadDigits(line, 10, 2, minute) ||
        !ReadDigits(line, 13, 2, second) || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60)
        return std::nullopt;
    const int year = ToCivil(reference).year;
    std::optional<DateTime> time = MakeDateTime(year, month, day, hour, minute, second);
    if (time && time->seconds > reference.seconds + kSecondsPerDay)
        time = MakeDateTime(year - 1, month, day, hour, minute, second);
    if (!time)
        return std::nullopt;
    return Stamp{*time, SkipFraction(line, 15)};
}

// "+01:00", "+0100", "Z" or nothing after the seconds; the offset east of UTC in seconds.
bool ReadZone(std::string_view line, std::size_t& at, std::optional<std::int64_t>& offset)
{
    if (at >= line.size() || line[at] == ' ')
        return true;
    if (line[at] == 'Z') {
        offset = 0;
        ++at;
        return true;
    }
    if (line[at] != '+' && line[at] != '-')
        return false;
    const int sign = line[at] == '-' ? -1 : 1;
    int hours = 0, minutes = 0;
    std::size_t next = at + 1;
    if (!ReadDigits(line, next, 2, hours))
        return false;
    next += 2;
    if (next < line.size() && line[next] == ':')
        ++next;
    if (!ReadDigits(line, next, 2, minutes) || hours > 23 || minutes > 59)
        return false;
    offset = sign * (hours * 3600 + minutes * 60);
    at = next + 2;
    return true;
}

// "2024-12-11T09:00:05.123456+01:00": a moment with its zone, converted to local time; without
// a zone it is local time already.
std::optional<Stamp> Rfc3339Stamp(std::string_view line, const LocalTimeOf& localTime)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (line.size() < 19 || line[4] != '-' || line[7] != '-' || line[10] != 'T' ||
        line[13] != ':' || line[16] != ':' || !ReadDigits(line, 0, 4, year) ||
        !ReadDigits(line, 5, 2, month) || !ReadDigits(line, 8, 2, day) ||
        !ReadDigits(line, 11, 2, hour) || !ReadDigits(line, 14, 2, minute) ||
        !ReadDigits(line, 17, 2, second) || month < 1 || month > 12 || day < 1 || day > 31 ||
        hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::size_t at = SkipFraction(line, 19);
    std::optional<std::int64_t> offset;
    if (!ReadZone(line, at, offset))
        return std::nullopt;
    const std::optional<DateTime> wall = MakeDateTime(year, month, day, hour, minute, second);
    if (!wall)
        return std::nullopt;
    DateTime time = *wall;
    if (offset)
        time = localTime(wall->seconds - *offset - kUnixEpoch);
    return Stamp{time, at};
}

std::optional<Stamp> ReadStamp(std::string_view line, const ReadingTimes& times,
                               const LocalTimeOf& localTime)
{
    if (!line.empty() && IsDigit(line[0]))
        return Rfc3339Stamp(line, localTime);
    return TraditionalStamp(line, times.reference);
}

// "pppd[1234]:" gives 1234, "pppd:" gives 0; empty for any other word.
std::optional<std::int64_t> PppdTag(std::string_view word)
{
    if (word == "pppd:")
        return 0;
    if (!word.starts_with("pppd[") || !word.ends_with("]:") || word.size() < 8)
        return std::nullopt;
    const std::string_view digits = word.substr(5, word.size() - 7);
    std::int64_t pid = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (ec != std::errc() || end != digits.data() + digits.size() || pid < 0)
        return std::nullopt;
    return pid;
}

// The tag among the first three words of rest and the message after it.
bool FindTag(std::string_view rest, std::int64_t& pid, std::string_view& message)
{
    for (int word = 0; word < 3 && !rest.empty(); ++word) {
        const std::size_t end = rest.find(' ');
        const std::string_view text = rest.substr(0, end);
        if (const auto tag = PppdTag(text)) {
            pid = *tag;
            message = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            return true;
        }
        if (end == std::string_view::npos)
            return false;
        rest.remove_prefix(end + 1);
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
    }
    return false;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

// A decimal number with an optional sign at the start of text, taken off text.
std::optional<std::int64_t> TakeNumber(std::string_view& text)
{
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc())
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

bool TakeText(std::string_view& text, std::string_view expected)
{
    if (!text.starts_with(expected))
        return false;
    text.remove_prefix(expected.size());
    return true;
}

// An older pppd counts in 32 bits and prints the count as a signed number.
std::optional<std::uint64_t> ByteCount(std::int64_t printed)
{
    if (printed >= 0)
        return static_cast<std::uint64_t>(printed);
    if (printed >= std::numeric_limits<std::int32_t>::min())
        return static_cast<std::uint64_t>(printed + (std::int64_t{1} << 32));
    return std::nullopt;
}

// "Sent N bytes, received M bytes."
bool ParseByteLine(std::string_view text, std::uint64_t& sent, std::uint64_t& received)
{
    if (!TakeText(text, "Sent "))
        return false;
    const auto out = TakeNumber(text);
    if (!out || !TakeText(text, " bytes, received "))
        return false;
    const auto in = TakeNumber(text);
    if (!in || !TakeText(text, " bytes"))
        return false;
    const auto s = ByteCount(*out);
    const auto r = ByteCount(*in);
    if (!s || !r)
        return false;
    sent = *s;
    received = *r;
    return true;
}

// "Connect time 12.3 minutes." in seconds.
std::optional<std::int64_t> ParseConnectTime(std::string_view text)
{
    if (!TakeText(text, "Connect time "))
        return std::nullopt;
    const auto minutes = TakeNumber(text);
    if (!minutes || *minutes < 0 || *minutes > std::int64_t{1} << 40 || !TakeText(text, ".") ||
        text.empty() || !IsDigit(text.front()))
        return std::nullopt;
    const int tenths = text.front() - '0';
    text.remove_prefix(1);
    if (!TakeText(text, " minutes"))
        return std::nullopt;
    return (*minutes * 10 + tenths) * 6;
}

// "Connect: ppp0 <--> /dev/ttyUSB0" gives "ppp0".
std::optional<std::string_view> ConnectDevice(std::string_view text)
{
    if (!TakeText(text, "Connect: "))
        return std::nullopt;
    const std::size_t arrow = text.find(" <--> ");
    if (arrow == std::string_view::npos)
        return std::nullopt;
    return text.substr(0, arrow);
}

// "pppd 2.4.9 started by root, uid 0"
bool IsStartLine(std::string_view text)
{
    return text.starts_with("pppd ") && text.find(" started by ") != std::string_view::npos;
}

} // namespace

DateTime SystemLocalTime(std::int64_t unixSeconds)
{
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (!::localtime_r(&seconds, &local))
        return DateTime{unixSeconds + kUnixEpoch};
    return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec)
        .value_or(DateTime{unixSeconds + kUnixEpoch});
}

std::optional<PppdLine> ParsePppdLine(std::string_view line, const ReadingTimes& times,
                                      const LocalTimeOf& localTime)
{
    line = Trimmed(line);
    PppdLine parsed;
    if (const std::optional<Stamp> stamp = ReadStamp(line, times, localTime)) {
        if (stamp->length >= line.size() || line[stamp->length] != ' ')
            return std::nullopt;
        parsed.time = stamp->time;
        parsed.stamped = true;
        if (!FindTag(line.substr(stamp->length + 1), parsed.pid, parsed.message))
            return std::nullopt;
    } else {
        // pppd's own logfile: no stamp, perhaps a tag.
        parsed.time = times.now;
        const std::size_t end = line.find(' ');
        const std::optional<std::int64_t> tag = PppdTag(line.substr(0, end));
        if (tag && end != std::string_view::npos) {
            parsed.pid = *tag;
            line.remove_prefix(end + 1);
        }
        parsed.message = line;
    }
    parsed.message = Trimmed(parsed.message);
    return parsed;
}

PppdTranslator::PppdTranslator(LocalTimeOf localTime) : m_localTime(std::move(localTime)) {}

PppdTranslator::Open* PppdTranslator::Find(std::int64_t pid)
{
    for (Open& open : m_open) {
        if (open.pid == pid)
            return &open;
    }
    return nullptr;
}

PppdTranslator::Open& PppdTranslator::FindOrStart(std::int64_t pid, std::int64_t mark,
                                                  DateTime time)
{
    if (Open* open = Find(pid))
        return *open;
    // The closing lines of a connection whose start was not read.
    Open& open = m_open.emplace_back();
    open.pid = pid;
    open.mark = mark;
    open.lastLine = time;
    return open;
}

void PppdTranslator::Close(std::size_t i)
{
    const Open open = std::move(m_open[i]);
    m_open.erase(m_open.begin() + static_cast<std::ptrdiff_t>(i));
    // Rebuilt only from its own end: the down time of a connection whose start was read is the
    // same line's, so both readings name it alike.
    if (!open.down || (!open.up && (!open.connectSeconds || !open.terminated))) {
        ++m_dropped;
        return;
    }
    PppdConnection connection;
    connection.pid = open.pid;
    connection.down = *open.down;
    connection.up = open.up ? *open.up : DateTime{open.down->seconds - *open.connectSeconds};
    // A length beyond reason would start it before any date the session log can hold.
    if (!FromDayCount(ToDayCount(connection.up))) {
        ++m_dropped;
        return;
    }
    connection.sent = open.sent;
    connection.received = open.received;
    connection.rebuilt = !open.up;
    m_complete.push_back(connection);
}

void PppdTranslator::CloseFor(std::int64_t pid, std::optional<DateTime> downIfUnknown)
{
    for (std::size_t i = 0; i < m_open.size(); ++i) {
        if (m_open[i].pid != pid)
            continue;
        if (!m_open[i].down)
            m_open[i].down = downIfUnknown;
        Close(i);
        return;
    }
}

void PppdTranslator::Connect(const PppdLine& line, std::int64_t mark)
{
    const std::string_view device = *ConnectDevice(line.message);
    // The same pppd starts its next connection: the one before is over.
    CloseFor(line.pid, line.time);
    // Another pppd takes the device over: the pppd that had it is gone without a word, since
    // its last line.
    for (std::size_t i = 0; i < m_open.size();) {
        Open& other = m_open[i];
        if (other.device == device && !other.down) {
            other.down = other.lastLine;
            Close(i);
        } else {
            ++i;
        }
    }
    Open& open = m_open.emplace_back();
    open.pid = line.pid;
    open.mark = mark;
    open.up = line.time;
    open.lastLine = line.time;
    open.device = std::string(device);
}

void PppdTranslator::SettleByTime(DateTime time)
{
    for (std::size_t i = 0; i < m_open.size();) {
        const Open& open = m_open[i];
        if (open.down && time.seconds > open.down->seconds + kByteLineWait)
            Close(i);
        else
            ++i;
    }
}

void PppdTranslator::Take(std::string_view line, std::int64_t mark, const ReadingTimes& times)
{
    const std::optional<PppdLine> parsed = ParsePppdLine(line, times, m_localTime);
    if (!parsed) {
        // A line of another program still tells that time has passed.
        if (!m_open.empty()) {
            if (const auto stamp = ReadStamp(Trimmed(line), times, m_localTime))
                SettleByTime(stamp->time);
        }
        return;
    }
    ++m_pppdLines;
    const std::string_view message = parsed->message;
    const DateTime time = parsed->time;
    const std::int64_t pid = parsed->pid;
    std::uint64_t sent = 0, received = 0;
    if (ConnectDevice(message)) {
        Connect(*parsed, mark);
    } else if (message.starts_with("Connection terminated.")) {
        Open& open = FindOrStart(pid, mark, time);
        open.lastLine = time;
        open.terminated = true;
        if (!open.down)
            open.down = time;
        if (open.sent)
            CloseFor(pid, std::nullopt);
    } else if (ParseByteLine(message, sent, received)) {
        Open& open = FindOrStart(pid, mark, time);
        open.lastLine = time;
        open.sent = sent;
        open.received = received;
        if (open.down)
            CloseFor(pid, std::nullopt);
    } else if (const auto seconds = ParseConnectTime(message)) {
        Open& open = FindOrStart(pid, mark, time);
        open.lastLine = time;
        open.connectSeconds = *seconds;
    } else if (message == "Exit.") {
        CloseFor(pid, time);
    } else if (IsStartLine(message)) {
        // A pppd with this process id starts: the one before ended without a word after its last
        // line.
        if (Open* open = Find(pid))
            CloseFor(pid, open->lastLine);
    } else if (Open* open = Find(pid)) {
        open->lastLine = time;
    }
    SettleByTime(time);
}

void PppdTranslator::EndOfSource()
{
    for (std::size_t i = 0; i < m_open.size();) {
        if (m_open[i].down)
            Close(i);
        else
            ++i;
    }
}

std::vector<PppdConnection> PppdTranslator::TakeComplete()
{
    std::vector<PppdConnection> complete;
    complete.swap(m_complete);
    return complete;
}

std::optional<std::int64_t> PppdTranslator::EarliestOpenMark() const
{
    std::optional<std::int64_t> earliest;
    for (const Open& open : m_open) {
        if (!earliest || open.mark < *earliest)
            earliest = open.mark;
    }
    return earliest;
}

} // namespace dialtally
