#include "crashtest/loggerrig.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

namespace dialtally {
namespace {

constexpr auto kStopWait = std::chrono::seconds(30);
constexpr auto kUpdateTimeout = std::chrono::seconds(60);
constexpr auto kOpenWait = std::chrono::seconds(5);

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool HasOpen(pid_t pid, const std::string& path)
{
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        char target[PATH_MAX];
        const std::string link = folder + '/' + entry->d_name;
        const ssize_t size = ::readlink(link.c_str(), target, sizeof target - 1);
        if (size > 0 && std::string(target, static_cast<std::size_t>(size)) == path) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Whether the process has its own handler for the signal yet ("SigCgt" in its status).
bool Catches(pid_t pid, int signal)
{
    const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
    const std::size_t at = status.find("SigCgt:");
    if (at == std::string::npos)
        return false;
    const unsigned long long mask = std::strtoull(status.c_str() + at + 7, nullptr, 16);
    return (mask >> (signal - 1)) & 1;
}

void CreateEmpty(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

LoggerRig::LoggerRig(const Tools& tools, const Workspace& ws, Model& model)
    : m_tools(tools), m_ws(ws), m_model(model), m_writer(ws.source, m_model)
{
    CreateEmpty(m_ws.source);
}

LoggerRig::~LoggerRig()
{
    m_writer.StopThread();
    if (m_logger.Running())
        m_logger.Kill();
}

std::string LoggerRig::RoundName() const
{
    return dialtally::RoundName(m_lines->options);
}

void LoggerRig::BeginRound(std::mt19937_64& rng, int dialect, std::int64_t sessions)
{
    std::string error;
    auto lines = GenerateRound(RoundOptions(rng, dialect, sessions), &error);
    if (!lines)
        throw std::runtime_error(error);
    m_writer.SetLines(nullptr);
    m_roundFirstStart = m_starts + 1;
    m_lines = std::make_unique<RoundLines>(std::move(*lines));
    m_writer.SetLines(m_lines.get());
}

ChildSpec LoggerRig::NextLoggerSpec(std::optional<rlim_t> fileSizeLimit)
{
    ChildSpec spec = LoggerCommand(m_tools, m_ws, "logger-" + std::to_string(++m_starts));
    spec.fileSizeLimit = fileSizeLimit;
    // A logger without a kept place reads an existing source from its end: lines written before
    // it opened the source are not its to deliver. Until a logger has kept a place, the loggers
    // are started to read the source, which is new, from its start; later ones go on from their
    // kept place.
    if (!FileExists(m_ws.InWindows("Dtally.pos")))
        spec.arguments.push_back("--from-start");
    return spec;
}

ChildSpec LoggerRig::UpdateSpec(const std::string& outName) const
{
    return UpdateCommand(m_tools, m_ws, Dialect(), outName);
}

bool LoggerRig::Start(std::string* error, std::optional<rlim_t> fileSizeLimit)
{
    if (!m_logger.Start(NextLoggerSpec(fileSizeLimit), error))
        return false;
    if (m_fresh) {
        const std::string source = RealPath(m_ws.source);
        const auto deadline = Clock::now() + kOpenWait;
        while (!HasOpen(m_logger.Pid(), source) && Clock::now() < deadline &&
               !m_logger.WaitUntil(Clock::now() + std::chrono::milliseconds(1))) {
        }
        m_fresh = false;
    }
    return true;
}

std::optional<std::string> LoggerRig::Checkpoint(std::mt19937_64& rng)
{
    m_writer.StopThread();
    m_writer.FinishLine();
    std::string problems;
    auto add = [&problems](const std::string& problem) {
        problems += (problems.empty() ? "" : "; ") + problem;
    };
    std::string error;
    if (!m_logger.Running() && !Start(&error))
        add(error);
    std::this_thread::sleep_for(std::chrono::milliseconds(Uniform(rng, 0, 50)));
    if (const auto problem = Stop())
        add(*problem);
    const ChildSpec update = UpdateSpec();
    const Finished run = RunToEnd(update, kUpdateTimeout);
    if (!run.error.empty())
        add(run.error);
    else if (run.hung || !run.end.exited || run.end.exitCode != 0)
        add("the update ended with " + (run.hung ? std::string("a hang") : run.end.Describe()) +
            "; its errors: " + Tail(update.stderrPath));
    if (const auto difference = CheckCompleted(m_ws, m_model))
        add(*difference);
    if (problems.empty())
        return std::nullopt;
    return problems + "; the loggers of the round said: " + RoundLoggerErrors();
}

std::optional<std::string> LoggerRig::Stop()
{
    // A SIGTERM before the logger has its handler would end it as a kill does.
    const auto ready = Clock::now() + kOpenWait;
    while (m_logger.Running() && !Catches(m_logger.Pid(), SIGTERM) && Clock::now() < ready)
        m_logger.WaitUntil(Clock::now() + std::chrono::milliseconds(1));
    m_logger.Signal(SIGTERM);
    if (!m_logger.WaitUntil(Clock::now() + kStopWait)) {
        m_logger.Kill();
        return "the logger did not end within 30 s of SIGTERM";
    }
    if (!m_logger.End().exited || m_logger.End().exitCode != 0)
        return "the logger ended with " + m_logger.End().Describe() + " on SIGTERM";
    return std::nullopt;
}

std::string LoggerRig::LoggerErrors() const
{
    return m_ws.OutFile("logger-" + std::to_string(m_starts) + ".err");
}

std::string LoggerRig::RoundLoggerErrors() const
{
    constexpr std::size_t kMost = 1200;
    std::vector<std::string> seen;
    std::string text;
    for (int start = m_roundFirstStart; start <= m_starts; ++start) {
        std::istringstream lines(
            ReadFile(m_ws.OutFile("logger-" + std::to_string(start) + ".err")));
        std::string line;
        while (std::getline(lines, line)) {
            if (line.empty() || std::find(seen.begin(), seen.end(), line) != seen.end())
                continue;
            seen.push_back(line);
            text += (text.empty() ? "" : " | ") + line;
        }
    }
    if (text.size() > kMost)
        text = text.substr(0, kMost) + "...";
    return text.empty() ? "(nothing)" : text;
}

void LoggerRig::Reset()
{
    m_writer.StopThread();
    if (m_logger.Running())
        m_logger.Kill();
    m_ws.Clear();
    m_model.Reset();
    CreateEmpty(m_ws.source);
    m_writer.SetLines(m_lines.get());
    m_fresh = true;
}

} // namespace dialtally
