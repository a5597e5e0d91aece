#include "crashtest/feeders.h"

#include "log/datafile.h"
#include "log/writeall.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dialtally {
namespace {

// As long as the update may hold the data lock while it settles a batch.
constexpr auto kLockWait = std::chrono::seconds(10);

std::size_t Uniform(std::mt19937_64& rng, std::size_t low, std::size_t high)
{
    return std::uniform_int_distribution<std::size_t>(low, high)(rng);
}

std::string ErrorText(const std::string& action, const std::string& path)
{
    return "cannot " + action + " \"" + path + "\": " + std::strerror(errno);
}

} // namespace

DataFeeder::DataFeeder(const std::string& windowsDir, Model& model) : m_model(model)
{
    const HandoverFiles files = HandoverFiles::InFolder(windowsDir);
    m_dataPath = files.data;
    m_lockPath = files.lock;
}

DataFeeder::~DataFeeder()
{
    StopThread();
}

void DataFeeder::SetLines(const RoundLines* lines)
{
    std::lock_guard lock(m_mutex);
    m_lines = lines;
    m_next = 0;
}

bool DataFeeder::FeedBatch(std::size_t bytes)
{
    std::lock_guard lock(m_mutex);
    if (!m_lines || m_next >= m_lines->Count())
        return false;
    std::string batch;
    std::size_t end = m_next;
    while (end < m_lines->Count() && batch.size() < bytes) {
        batch += '"';
        batch += m_lines->Line(end++);
        batch += "\"\r\n";
    }
    if (!Append(batch))
        return false;
    m_model.Deliver(*m_lines, m_next, end - m_next);
    m_next = end;
    return true;
}

bool DataFeeder::Append(const std::string& batch)
{
    HandoverLock lock;
    if (!lock.Acquire(m_lockPath, HandoverLockKind::Data, kLockWait)) {
        m_lastError = ErrorText("lock", m_lockPath);
        return false;
    }
    const int fd = ::open(m_dataPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_lastError = ErrorText("open", m_dataPath);
        return false;
    }
    struct stat before;
    const bool sized = ::fstat(fd, &before) == 0;
    if (!WriteAll(fd, batch.data(), batch.size())) {
        m_lastError = ErrorText("append to", m_dataPath);
        // Half a batch would be a torn line; the batch goes again, whole, later.
        if (sized && ::ftruncate(fd, before.st_size) != 0)
            m_lastError += "; " + ErrorText("cut back", m_dataPath);
        ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

bool DataFeeder::Feed(std::size_t bytes, std::mt19937_64& rng)
{
    std::size_t fed = 0;
    while (fed < bytes) {
        const std::size_t batch = Uniform(rng, 64 * 1024, 1024 * 1024);
        if (!FeedBatch(batch))
            return false;
        fed += batch;
    }
    return true;
}

void DataFeeder::StartThread(std::uint64_t seed)
{
    StopThread();
    m_stop = false;
    m_thread = std::thread([this, seed] {
        std::mt19937_64 rng(seed);
        while (!m_stop) {
            FeedBatch(Uniform(rng, 1024, 16 * 1024));
            std::this_thread::sleep_for(std::chrono::microseconds(Uniform(rng, 500, 2000)));
        }
    });
}

void DataFeeder::StopThread()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::string DataFeeder::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

SourceWriter::SourceWriter(const std::string& path, Model& model) : m_path(path), m_model(model) {}

SourceWriter::~SourceWriter()
{
    StopThread();
    if (m_fd >= 0)
        ::close(m_fd);
}

void SourceWriter::SetLines(const RoundLines* lines)
{
    // The adapter's log may have been removed and made again: the next write opens it anew.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_lines = lines;
    m_line = 0;
    m_offset = 0;
}

bool SourceWriter::LinesLeft() const
{
    return m_lines && m_line < m_lines->Count();
}

bool SourceWriter::Open()
{
    if (m_fd < 0)
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        m_lastError = ErrorText("open", m_path);
    return m_fd >= 0;
}

bool SourceWriter::WritePiece(std::size_t bytes)
{
    if (!LinesLeft() || !Open())
        return false;
    std::string piece;
    std::size_t line = m_line;
    std::size_t offset = m_offset;
    std::size_t completed = 0;
    while (piece.size() < bytes && line < m_lines->Count()) {
        const std::string framed = std::string(m_lines->Line(line)) + "\r\n";
        const std::size_t take = std::min(bytes - piece.size(), framed.size() - offset);
        piece.append(framed, offset, take);
        offset += take;
        if (offset == framed.size()) {
            ++line;
            ++completed;
            offset = 0;
        }
    }
    if (!WriteAll(m_fd, piece.data(), piece.size())) {
        m_lastError = ErrorText("write", m_path);
        return false;
    }
    m_model.Deliver(*m_lines, m_line, completed);
    m_line = line;
    m_offset = offset;
    return true;
}

bool SourceWriter::FinishLine()
{
    if (m_offset == 0)
        return true;
    const std::size_t rest = m_lines->Line(m_line).size() + 2 - m_offset;
    return WritePiece(rest);
}

void SourceWriter::StartThread(std::uint64_t seed)
{
    StopThread();
    m_stop = false;
    m_thread = std::thread([this, seed] {
        std::mt19937_64 rng(seed);
        while (!m_stop && LinesLeft()) {
            WritePiece(Uniform(rng, 1, 3000));
            std::this_thread::sleep_for(std::chrono::microseconds(Uniform(rng, 100, 1500)));
        }
        FinishLine();
    });
}

void SourceWriter::StopThread()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace dialtally
