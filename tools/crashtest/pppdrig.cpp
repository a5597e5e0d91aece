#include "crashtest/pppdrig.h"

#include "log/sessionlog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <tuple>
#include <unistd.h>

namespace dialtally {
namespace {

using SessionKey = std::tuple<std::int64_t, std::int64_t, std::int32_t, std::int32_t>;

std::string DescribeKey(const SessionKey& key)
{
    return FormatIsoDateTime(DateTime{std::get<0>(key)}) + " to " +
           FormatIsoDateTime(DateTime{std::get<1>(key)}) + ", " + std::to_string(std::get<2>(key)) +
           " bytes sent, " + std::to_string(std::get<3>(key)) + " received";
}

// The months before this one, so that every stamp lies in the year before the clock.
GeneratorOptions SyslogOptions(std::uint64_t seed, std::int64_t sessions)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    GeneratorOptions options;
    options.months = 10;
    options.startYear = local.tm_year + 1900;
    options.startMonth = local.tm_mon + 1 - options.months;
    while (options.startMonth < 1) {
        options.startMonth += 12;
        --options.startYear;
    }
    options.sessions = sessions;
    options.seed = seed;
    return options;
}

} // namespace

PppdSyslogWriter::PppdSyslogWriter(const std::string& path, std::uint64_t seed,
                                   std::int64_t sessions)
    : m_path(path)
{
    m_syslog = GeneratePppdSyslog(SyslogOptions(seed, sessions),
                                  [this](std::string_view line, DateTime time, bool quiet) {
                                      m_text.append(line);
                                      m_text.push_back('\n');
                                      if (quiet) {
                                          m_quietEnds.push_back(m_text.size());
                                          m_quietTimes.push_back(time);
                                      }
                                      return true;
                                  });
}

PppdSyslogWriter::~PppdSyslogWriter()
{
    StopThread();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PppdSyslogWriter::Open()
{
    if (m_fd >= 0)
        return true;
    m_fd = ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        m_lastError = "cannot open \"" + m_path + "\": " + std::strerror(errno);
    return m_fd >= 0;
}

bool PppdSyslogWriter::WritePiece(std::size_t bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_written >= m_text.size() || !Open())
        return false;
    const std::size_t count = std::min(bytes, m_text.size() - m_written);
    const ssize_t n = ::write(m_fd, m_text.data() + m_written, count);
    if (n <= 0) {
        m_lastError = "cannot write \"" + m_path + "\": " + std::strerror(errno);
        return false;
    }
    m_written += static_cast<std::size_t>(n);
    return true;
}

bool PppdSyslogWriter::WriteToQuietPoint()
{
    std::size_t target;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto next = std::lower_bound(m_quietEnds.begin(), m_quietEnds.end(), m_written);
        if (next == m_quietEnds.end())
            return false;
        target = *next;
    }
    while (BytesWritten() < target) {
        if (!WritePiece(target - BytesWritten()))
            return false;
    }
    return true;
}

void PppdSyslogWriter::StartThread(std::uint64_t seed)
{
    StopThread();
    m_stop = false;
    m_thread = std::thread([this, seed] {
        std::mt19937_64 rng(seed);
        while (!m_stop) {
            if (!WritePiece(Uniform(rng, 1, 2000)))
                return;
            std::this_thread::sleep_for(
                Microseconds(static_cast<std::int64_t>(Uniform(rng, 0, 4000))));
        }
    });
}

void PppdSyslogWriter::StopThread()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<GeneratedConnection> PppdSyslogWriter::ConnectionsWritten() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // Every connection before a quiet point is whole, and none has begun after it: those that
    // came up by the time of its line are the ones written.
    std::vector<GeneratedConnection> written;
    const auto quiet = std::lower_bound(m_quietEnds.begin(), m_quietEnds.end(), m_written);
    if (quiet == m_quietEnds.end() || *quiet != m_written)
        return written;
    const DateTime until = m_quietTimes[static_cast<std::size_t>(quiet - m_quietEnds.begin())];
    for (const GeneratedConnection& c : m_syslog.connections) {
        if (c.up <= until)
            written.push_back(c);
    }
    return written;
}

bool PppdSyslogWriter::Exhausted() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_quietEnds.empty() || m_written >= m_quietEnds.back();
}

std::size_t PppdSyslogWriter::BytesWritten() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_written;
}

ChildSpec PppdLoggerCommand(const Tools& tools, const Workspace& ws, int dialect,
                            const std::string& language, const std::string& outName)
{
    ChildSpec spec = LoggerCommand(tools, ws, outName);
    spec.arguments.insert(spec.arguments.end(),
                          {"--source-format", "pppd", "--system", dialect == 1 ? "95" : "98",
                           "--language", language});
    return spec;
}

ChildSpec PppdOnceCommand(const Tools& tools, const Workspace& ws, int dialect,
                          const std::string& language, const std::string& outName)
{
    ChildSpec spec = LoggerCommand(tools, ws, outName);
    spec.arguments = {"--windows-dir", ws.windows, "--source-format",
                      "pppd",          "--system", dialect == 1 ? "95" : "98",
                      "--language",    language,   "--once",
                      ws.source};
    return spec;
}

std::optional<std::string> CheckPppdSessions(const Workspace& ws,
                                             const std::vector<GeneratedConnection>& expected)
{
    std::string problems;
    const auto add = [&problems](const std::string& problem) {
        problems += (problems.empty() ? "" : "; ") + problem;
    };
    for (const char* name : {"Dtally.wrk", "Dtally.jnl"}) {
        if (FileExists(ws.InWindows(name)))
            add(std::string("\"") + name + "\" is left after a completed update");
    }
    const std::string log = ReadFile(ws.SessionLog());
    if (log.size() % kLogRecordSize != 0)
        add("the session log ends in a torn record");
    EventList events;
    for (std::size_t at = 0; at + kLogRecordSize <= log.size(); at += kLogRecordSize)
        events.push_back(DecodeRecord(reinterpret_cast<const unsigned char*>(log.data() + at)));
    std::vector<SessionKey> found;
    for (const SessionRecord& s : BuildSessions(events)) {
        if (s.vUp || s.vDown)
            found.emplace_back(s.vUp ? s.vUp->seconds : 0, s.vDown ? s.vDown->seconds : 0, s.lTx,
                               s.lRx);
    }
    std::vector<SessionKey> wanted;
    for (const GeneratedConnection& c : expected)
        wanted.emplace_back(c.up.seconds, std::max(c.down, c.up).seconds, c.transmitted,
                            c.received);
    std::sort(found.begin(), found.end());
    std::sort(wanted.begin(), wanted.end());
    if (found != wanted) {
        std::vector<SessionKey> missing, extra;
        std::set_difference(wanted.begin(), wanted.end(), found.begin(), found.end(),
                            std::back_inserter(missing));
        std::set_difference(found.begin(), found.end(), wanted.begin(), wanted.end(),
                            std::back_inserter(extra));
        std::string what = std::to_string(found.size()) + " sessions where " +
                           std::to_string(wanted.size()) + " connections were written";
        if (!missing.empty())
            what += "; " + std::to_string(missing.size()) + " missing, the first " +
                    DescribeKey(missing.front());
        if (!extra.empty())
            what += "; " + std::to_string(extra.size()) + " not written or doubled, the first " +
                    DescribeKey(extra.front());
        add(what);
    }
    if (problems.empty())
        return std::nullopt;
    return problems;
}

} // namespace dialtally
