#include "generate/pppdsyslog.h"

#include "generate/random.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace dialtally {
namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::uint64_t kSessionLogLimit = std::numeric_limits<std::int32_t>::max();

struct PlannedConnection {
    DateTime up;
    DateTime down; // for a pppd that dies: its last line
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    bool withoutSent = false;
    bool dies = false; // pppd dies without a word after down
};

// One pppd process: its version decides the order of its closing lines and how it prints counts.
struct PlannedProcess {
    std::int64_t pid = 0;
    std::string device;
    std::string version;
    std::vector<PlannedConnection> connections;
};

struct Event {
    std::int64_t seconds = 0;
    std::int64_t order = 0;
    std::string text;
    int delta = 0; // pppd processes under way: +1 at its start, -1 when it is over
};

class SyslogMaker {
public:
    explicit SyslogMaker(const GeneratorOptions& options)
        : m_options(options), m_random(options.seed ^ 0x9e3779b97f4a7c15ull)
    {
    }

    GeneratedPppdSyslog Run(const PppdLineVisitor& visit);

private:
    std::string Stamp(std::int64_t seconds) const;
    void Add(std::int64_t seconds, std::string text, int delta = 0);
    void Pppd(std::int64_t seconds, std::int64_t pid, const std::string& message, int delta = 0)
    {
        Add(seconds, Stamp(seconds) + " box pppd[" + std::to_string(pid) + "]: " + message, delta);
    }
    void Other(std::int64_t seconds, const std::string& program, const std::string& message)
    {
        Add(seconds, Stamp(seconds) + " box " + program + ": " + message);
    }
    std::string Count(const PlannedProcess& process, std::uint64_t count) const;
    void Emit(const PlannedProcess& process);
    void EmitConnection(const PlannedProcess& process, const PlannedConnection& c, bool first);
    void EmitClosing(const PlannedProcess& process, const PlannedConnection& c);
    void Background(std::int64_t first, std::int64_t end);
    PlannedConnection Plan(std::int64_t up, std::int64_t seconds);
    std::int64_t NextPid() { return m_pid += m_random.Range(2, 60); }

    const GeneratorOptions& m_options;
    Random m_random;
    std::vector<Event> m_events;
    std::vector<GeneratedConnection> m_connections;
    std::int64_t m_pid = 0;
    // A pppd that died: the next one on its device ends its connection at its Connect line. Its
    // connection among the expected ones, until then.
    bool m_victimPending = false;
    std::size_t m_victim = 0;
};

std::string SyslogMaker::Stamp(std::int64_t seconds) const
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const CivilTime c = ToCivil(DateTime{seconds});
    char text[32];
    std::snprintf(text, sizeof text, "%s %2d %02d:%02d:%02d", kMonths[c.month - 1], c.day, c.hour,
                  c.minute, c.second);
    return text;
}

void SyslogMaker::Add(std::int64_t seconds, std::string text, int delta)
{
    m_events.push_back(
        {seconds, static_cast<std::int64_t>(m_events.size()), std::move(text), delta});
}

// pppd before 2.5 counts in 32 bits and prints the count as a signed number.
std::string SyslogMaker::Count(const PlannedProcess& process, std::uint64_t count) const
{
    if (process.version < "2.4")
        return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(count)));
    if (process.version < "2.5")
        return std::to_string(static_cast<std::uint32_t>(count));
    return std::to_string(count);
}

void SyslogMaker::EmitClosing(const PlannedProcess& process, const PlannedConnection& c)
{
    static const char* const kCauses[] = {"Modem hangup", "Terminating on signal 15",
                                          "LCP terminated by peer", "Connect time expired",
                                          "No response to 4 echo-requests"};
    const std::int64_t down = c.down.seconds;
    const std::int64_t seconds = c.down.seconds - c.up.seconds;
    const std::int64_t tenths = (seconds + 5) / 6;
    const std::string connectTime = "Connect time " + std::to_string(tenths / 10) + "." +
                                    std::to_string(tenths % 10) + " minutes.";
    const std::string bytes = "Sent " + Count(process, c.sent) + " bytes, received " +
                              Count(process, c.received) + " bytes.";
    Pppd(down, process.pid, kCauses[m_random.Range(0, 4)]);
    if (c.withoutSent) {
        Pppd(down, process.pid, "Connection terminated.");
    } else if (process.version < "2.4") {
        Pppd(down, process.pid, connectTime);
        Pppd(down, process.pid, bytes);
        Pppd(down, process.pid, "Connection terminated.");
    } else {
        Pppd(down, process.pid, "Connection terminated.");
        Pppd(down, process.pid, connectTime);
        Pppd(down, process.pid, bytes);
    }
}

void SyslogMaker::EmitConnection(const PlannedProcess& process, const PlannedConnection& c,
                                 bool first)
{
    const std::int64_t up = c.up.seconds;
    const std::int64_t pid = process.pid;
    if (!first)
        Pppd(up - 8, pid, "Serial connection established.");
    else
        Pppd(up - 1, pid, "Serial connection established.");
    Pppd(up - 1, pid, "Using interface " + process.device);
    Pppd(up, pid, "Connect: " + process.device + " <--> /dev/ttyUSB" + process.device.substr(3),
         m_victimPending && process.device == "ppp0" ? -1 : 0);
    if (process.device == "ppp0")
        m_victimPending = false;
    // pppd writes with the lowest unit free: the first modem is ppp0, a second one ppp1.
    Pppd(up + 2, pid, "PAP authentication succeeded");
    Pppd(up + 3, pid,
         "local  IP address 10." + std::to_string(m_random.Range(1, 250)) + "." +
             std::to_string(m_random.Range(1, 250)) + ".2");
    Pppd(up + 3, pid, "remote IP address 10.64.64.64");
    Pppd(up + 3, pid, "primary   DNS address 10.11.12.13");
    if (c.dies) {
        Pppd(c.down.seconds, pid, "LCP: timeout sending Config-Requests");
        m_victimPending = true;
        m_victim = m_connections.size();
    } else {
        EmitClosing(process, c);
    }
    GeneratedConnection expected;
    expected.pid = pid;
    expected.up = c.up;
    expected.down = c.down;
    if (!c.withoutSent && !c.dies) {
        expected.transmitted = static_cast<std::int32_t>(std::min(c.sent, kSessionLogLimit));
        expected.received = static_cast<std::int32_t>(std::min(c.received, kSessionLogLimit));
    }
    m_connections.push_back(expected);
}

void SyslogMaker::Emit(const PlannedProcess& process)
{
    const std::int64_t start = process.connections.front().up.seconds - 25;
    Pppd(start, process.pid, "pppd " + process.version + " started by root, uid 0", +1);
    Other(start + 1, "chat[" + std::to_string(process.pid + 1) + "]", "abort on (BUSY)");
    Other(start + 1, "chat[" + std::to_string(process.pid + 1) + "]", "send (ATDT0191011^M)");
    for (std::size_t i = 0; i < process.connections.size(); ++i)
        EmitConnection(process, process.connections[i], i == 0);
    const PlannedConnection& last = process.connections.back();
    if (!last.dies)
        Pppd(last.down.seconds + 1, process.pid, "Exit.", -1);
}

PlannedConnection SyslogMaker::Plan(std::int64_t up, std::int64_t seconds)
{
    PlannedConnection c;
    c.up = DateTime{up};
    c.down = DateTime{up + std::max<std::int64_t>(seconds, 30)};
    const double duration = static_cast<double>(c.down.seconds - up);
    // A mobile or satellite link moves a few KB a second when busy; most of the time it idles.
    c.received = static_cast<std::uint64_t>(duration * m_random.Uniform(200.0, 20000.0)) + 2000;
    c.sent =
        static_cast<std::uint64_t>(static_cast<double>(c.received) * m_random.Uniform(0.04, 0.25)) +
        500;
    return c;
}

void SyslogMaker::Background(std::int64_t first, std::int64_t end)
{
    for (std::int64_t hour = first; hour < end; hour += kHour) {
        Other(hour + 17 * 60, "CRON[" + std::to_string(m_random.Range(3000, 30000)) + "]",
              "(root) CMD (   cd / && run-parts --report /etc/cron.hourly)");
        if (ToCivil(DateTime{hour}).hour == 6)
            Other(hour + m_random.Range(0, 1800), "systemd[1]",
                  "Starting Daily apt upgrade and clean activities...");
    }
}

GeneratedPppdSyslog SyslogMaker::Run(const PppdLineVisitor& visit)
{
    const std::int64_t first = MakeDateTime(m_options.startYear, m_options.startMonth, 1)->seconds;
    const std::int64_t end =
        MakeDateTime(m_options.startYear, m_options.startMonth + m_options.months, 1)->seconds;
    m_pid = m_random.Range(900, 20000);
    Background(first, end);

    const std::int64_t count = std::max<std::int64_t>(m_options.sessions, 0);
    std::int64_t cursor = first + 600;
    std::int64_t index = 0;
    while (index < count) {
        const std::int64_t left = count - index;
        const std::int64_t room = (end - 2 * kHour - cursor) / (left + 1);
        if (room < 120)
            break;
        std::int64_t up = cursor + static_cast<std::int64_t>(m_random.Uniform(0.3, 1.7) *
                                                             static_cast<double>(room));
        std::int64_t seconds = static_cast<std::int64_t>(
            std::exp(m_random.Uniform(std::log(60.0), std::log(4.0 * kHour))));
        seconds = std::min<std::int64_t>(seconds, room * 6 / 10);

        // A connection across the new year, when the months hold one; one across midnight.
        const DateTime upDay = *MakeDateTime(ToCivil(DateTime{up}).year, 1, 1);
        const std::int64_t newYear = MakeDateTime(ToCivil(upDay).year + 1, 1, 1)->seconds;
        if (newYear > cursor + 1800 && newYear < up + seconds + room && newYear + kHour < end) {
            up = newYear - 20 * 60;
            seconds = 40 * 60;
        } else if (index == 1) {
            const std::int64_t midnight = (up / kSecondsPerDay + 1) * kSecondsPerDay;
            if (midnight - 10 * 60 > cursor + 600 && midnight + kHour < end) {
                up = midnight - 10 * 60;
                seconds = 20 * 60;
            }
        }

        PlannedProcess process;
        process.pid = NextPid();
        process.device = "ppp0";
        process.version = m_random.Chance(0.3) ? "2.3.11" : "2.4.9";
        process.connections.push_back(Plan(up, seconds));
        PlannedConnection& main = process.connections.back();
        const bool lastOne = left == 1;
        if (index == 3 || (index > 5 && !lastOne && m_random.Chance(0.01))) {
            if (!lastOne) {
                main.dies = true;
                main.down = DateTime{up + m_random.Range(5, std::max<std::int64_t>(seconds, 6))};
            }
        } else if (index == 4 || (index > 5 && m_random.Chance(0.02))) {
            main.withoutSent = true;
        } else if (index == 5) {
            // Hours on a fast mobile link.
            main = Plan(up, std::max(seconds, std::min<std::int64_t>(6 * kHour, room * 6 / 10)));
            process.version = "2.5.0";
            main.received = 5368709120ull + static_cast<std::uint64_t>(m_random.Range(0, 1 << 20));
        }
        ++index;
        std::int64_t busyUntil = main.down.seconds + 1;

        // Another pppd on a second modem while this one is up.
        if (index < count && !main.dies && (index == 3 || (index > 5 && m_random.Chance(0.04))) &&
            main.down.seconds - up > 120) {
            PlannedProcess other;
            other.pid = NextPid();
            other.device = "ppp1";
            other.version = "2.4.9";
            const std::int64_t otherUp = up + m_random.Range(60, (main.down.seconds - up) / 2 + 60);
            other.connections.push_back(Plan(otherUp, m_random.Range(60, room / 2 + 60)));
            busyUntil = std::max(busyUntil, other.connections.back().down.seconds + 1);
            Emit(other);
            ++index;
        }
        // A pppd that keeps its link (persist) dials again after a pause.
        else if (index < count && !main.dies && m_random.Chance(0.1)) {
            const std::int64_t again = main.down.seconds + m_random.Range(30, 300);
            if (again + kHour < end - 2 * kHour) {
                process.connections.push_back(
                    Plan(again, std::min<std::int64_t>(m_random.Range(60, 3 * kHour), room / 2)));
                busyUntil = process.connections.back().down.seconds + 1;
                ++index;
            }
        }
        Emit(process);
        cursor = busyUntil + 60;
    }

    // A pppd that died last is never followed: its connection never ends for a reader.
    if (m_victimPending)
        m_connections.erase(m_connections.begin() + static_cast<std::ptrdiff_t>(m_victim));
    std::sort(m_events.begin(), m_events.end(), [](const Event& a, const Event& b) {
        return a.seconds != b.seconds ? a.seconds < b.seconds : a.order < b.order;
    });
    GeneratedPppdSyslog result;
    int underWay = 0;
    for (const Event& event : m_events) {
        underWay += event.delta;
        result.lastLine = DateTime{event.seconds};
        if (!visit(event.text, DateTime{event.seconds}, underWay == 0))
            break;
    }
    std::stable_sort(m_connections.begin(), m_connections.end(),
                     [](const auto& a, const auto& b) { return a.up < b.up; });
    result.connections = std::move(m_connections);
    return result;
}

} // namespace

GeneratedPppdSyslog GeneratePppdSyslog(const GeneratorOptions& options,
                                       const PppdLineVisitor& visit)
{
    SyslogMaker maker(options);
    return maker.Run(visit);
}

} // namespace dialtally
