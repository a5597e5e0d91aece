#include "log/pppdrun.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace dialtally {
namespace {

constexpr std::chrono::seconds kDataLockWait{30};
// Connections per batch of a run over whole files: a batch stays small however long the history.
constexpr std::size_t kConnectionsPerBatch = 1000;
// How long a stream that ended keeps trying to deliver what waits.
constexpr auto kFinalTries = std::chrono::seconds(10);
constexpr std::size_t kReadBlock = 256 * 1024;
// A pppd line is short; a "line" this long without an end is cut.
constexpr std::size_t kMaxLine = 64 * 1024;

std::string Quoted(const std::string& path)
{
    return '"' + path + '"';
}

bool TakeLoggerLock(const HandoverFiles& files, HandoverLock& lock, std::string* problem)
{
    if (lock.Acquire(files.lock, HandoverLockKind::Logger, std::chrono::milliseconds(0)))
        return true;
    if (problem)
        *problem =
            errno == EWOULDBLOCK
                ? "another logger is already writing to " + Quoted(files.data) +
                      "; stop it first (dialtally-cli logging off, or close the logger)"
                : "cannot open the lock file " + Quoted(files.lock) + ": " + std::strerror(errno);
    return false;
}

// Splits a stream of bytes into lines; a line longer than kMaxLine is cut there.
class LineSplitter {
public:
    template <typename Take> void Add(std::string_view bytes, Take&& take)
    {
        std::size_t at = 0;
        while (at < bytes.size()) {
            const std::size_t end = bytes.find('\n', at);
            if (end == std::string_view::npos) {
                m_partial.append(bytes.substr(at));
                if (m_partial.size() > kMaxLine)
                    Flush(take);
                return;
            }
            if (m_partial.empty()) {
                take(bytes.substr(at, end - at));
            } else {
                m_partial.append(bytes.substr(at, end - at));
                Flush(take);
            }
            at = end + 1;
        }
    }
    template <typename Take> void Flush(Take&& take)
    {
        if (!m_partial.empty())
            take(std::string_view(m_partial));
        m_partial.clear();
    }

private:
    std::string m_partial;
};

// Reads a file through zlib, which passes a file that is not compressed through as it is.
bool ReadCompressedOrPlain(const std::string& source, PppdTranslator& translator,
                           const ReadingTimes& times, PppdRunResult& result, std::string* problem)
{
    const bool standardInput = source == "-";
    gzFile file =
        standardInput ? ::gzdopen(::dup(STDIN_FILENO), "rb") : ::gzopen(source.c_str(), "rb");
    if (!file) {
        if (problem)
            *problem = "cannot open the source " + Quoted(source) + ": " +
                       (errno ? std::strerror(errno) : "out of memory");
        return false;
    }
    ::gzbuffer(file, kReadBlock);
    std::vector<char> block(kReadBlock);
    LineSplitter lines;
    const auto take = [&](std::string_view line) {
        ++result.lines;
        translator.Take(line, 0, times);
    };
    for (;;) {
        const int n = ::gzread(file, block.data(), static_cast<unsigned>(block.size()));
        if (n < 0) {
            int code = 0;
            const char* message = ::gzerror(file, &code);
            if (problem)
                *problem = "cannot read the source " + Quoted(source) + ": " +
                           (code == Z_ERRNO ? std::strerror(errno) : message);
            ::gzclose(file);
            return false;
        }
        if (n == 0)
            break;
        lines.Add(std::string_view(block.data(), static_cast<std::size_t>(n)), take);
    }
    lines.Flush(take);
    ::gzclose(file);
    return true;
}

// A file's modification time, the reference for the year of its traditional stamps.
DateTime ReferenceOf(const std::string& source, const PppdRunOptions& options)
{
    struct stat info;
    if (source == "-" || ::stat(source.c_str(), &info) != 0)
        return options.clock();
    return options.localTime(static_cast<std::int64_t>(info.st_mtime));
}

void Count(const PppdTranslator& translator, PppdRunResult& result, const PppdDeliverer& deliverer)
{
    result.pppdLines = translator.PppdLines();
    result.dropped = static_cast<int>(translator.Dropped());
    result.delivered = deliverer.Delivered();
    result.already = deliverer.Already();
}

} // namespace

bool ReadPppdSourcesOnce(const HandoverFiles& files, const std::vector<std::string>& sources,
                         const PppdRunOptions& options, PppdRunResult* result, std::string* problem)
{
    PppdRunResult counted;
    HandoverLock loggerLock;
    if (!TakeLoggerLock(files, loggerLock, problem))
        return false;
    PppdTranslator translator(options.localTime);
    const DateTime now = options.clock();
    for (const std::string& source : sources) {
        if (!ReadCompressedOrPlain(source, translator, {now, ReferenceOf(source, options)}, counted,
                                   problem))
            return false;
    }
    translator.EndOfSource();
    PppdDeliverer deliverer(files, options.wording, options.report);
    std::vector<PppdConnection> complete = translator.TakeComplete();
    std::stable_sort(complete.begin(), complete.end(),
                     [](const auto& a, const auto& b) { return a.up < b.up; });
    bool delivered = true;
    for (std::size_t first = 0; first < complete.size() && delivered;
         first += kConnectionsPerBatch) {
        const std::size_t count = std::min(kConnectionsPerBatch, complete.size() - first);
        deliverer.Add(std::span(complete).subspan(first, count));
        delivered = deliverer.Flush(kDataLockWait, problem);
    }
    Count(translator, counted, deliverer);
    if (result)
        *result = counted;
    return delivered;
}

bool FollowPppdStream(int fd, const HandoverFiles& files, bool once,
                      const std::function<bool()>& stopRequested, const PppdRunOptions& options,
                      PppdRunResult* result, std::string* problem)
{
    PppdRunResult counted;
    HandoverLock loggerLock;
    if (!TakeLoggerLock(files, loggerLock, problem))
        return false;
    PppdTranslator translator(options.localTime);
    PppdDeliverer deliverer(files, options.wording, options.report);
    LineSplitter lines;
    std::vector<char> block(kReadBlock);
    std::string lastProblem;
    const auto deliver = [&](std::chrono::milliseconds lockWait) {
        deliverer.Add(translator.TakeComplete());
        std::string why;
        if (deliverer.Flush(lockWait, &why)) {
            lastProblem.clear();
            return true;
        }
        if (why != lastProblem && options.report)
            options.report(why + "; the connections wait");
        lastProblem = why;
        return false;
    };
    bool readFailed = false;
    while (!stopRequested()) {
        pollfd wait{fd, POLLIN, 0};
        // Connections that wait are tried again now and then, also while nothing comes in.
        if (::poll(&wait, 1, deliverer.HasPending() ? 1000 : -1) == 0) {
            deliver(std::chrono::seconds(5));
            continue;
        }
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0) {
            if (problem)
                *problem = std::string("cannot read standard input: ") + std::strerror(errno);
            readFailed = true;
            break;
        }
        if (n == 0)
            break;
        const DateTime now = options.clock();
        lines.Add(std::string_view(block.data(), static_cast<std::size_t>(n)),
                  [&](std::string_view line) {
                      ++counted.lines;
                      translator.Take(line, 0, {now, now});
                  });
        deliver(std::chrono::seconds(5));
    }
    if (once && !readFailed && !stopRequested()) {
        const DateTime now = options.clock();
        lines.Flush([&](std::string_view line) {
            ++counted.lines;
            translator.Take(line, 0, {now, now});
        });
        translator.EndOfSource();
    }
    const auto deadline = std::chrono::steady_clock::now() + kFinalTries;
    bool delivered = deliver(std::chrono::seconds(5));
    while (!delivered && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        delivered = deliver(std::chrono::seconds(5));
    }
    Count(translator, counted, deliverer);
    if (result)
        *result = counted;
    if (!delivered && problem && !readFailed)
        *problem = lastProblem;
    return delivered && !readFailed;
}

bool DeliverPppHook(const HandoverFiles& files, const PppHookValues& values, DateTime now,
                    const PppdRunOptions& options, bool* delivered, std::string* problem)
{
    PppdConnection connection;
    connection.pid = values.pid;
    connection.up = DateTime{now.seconds - values.connectSeconds};
    if (!FromDayCount(ToDayCount(connection.up))) {
        if (problem)
            *problem = "the connect time " + std::to_string(values.connectSeconds) +
                       " seconds is beyond any date the session log can hold";
        return false;
    }
    connection.down = now;
    connection.sent = values.sent;
    connection.received = values.received;
    PppdDeliverer deliverer(files, options.wording, options.report);
    deliverer.Add(std::span(&connection, 1));
    const bool ok = deliverer.Flush(kDataLockWait, problem);
    if (delivered)
        *delivered = deliverer.Delivered() > 0;
    return ok;
}

} // namespace dialtally
