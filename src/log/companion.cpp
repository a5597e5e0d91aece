#include "log/companion.h"

#include "log/writeall.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace dialtally {
namespace {

constexpr std::size_t kReadBlock = 256 * 1024;
// A batch is written once it holds this much, so memory stays bounded behind a fast source.
constexpr std::size_t kBatchLimit = 4 * 1024 * 1024;
// Per call of Poll(), so that a close request is seen while a fast source keeps growing.
constexpr std::size_t kPollLimit = 32 * 1024 * 1024;
// An adapter line is a few hundred bytes; a "line" this long without an end is cut here.
constexpr std::size_t kMaxLine = 64 * 1024;
// The update holds the data lock only while it renames the data file away. A delivery that
// waits longer gives up and is tried again later, so that the logger still hears a close request.
constexpr std::chrono::seconds kDataLockWait{5};
// A mark is the offset of a line in its file with the file's generation above it.
constexpr int kMarkGenerationShift = 48;

std::string ErrorText(int error)
{
    return std::strerror(error);
}

std::string Quoted(const std::string& path)
{
    return '"' + path + '"';
}

bool SamePlace(const SourcePlace& a, const SourcePlace& b)
{
    return a.device == b.device && a.inode == b.inode && a.offset == b.offset && a.tail == b.tail;
}

// The last kPlaceTailBytes of what was read before bytes, followed by bytes.
std::string LastBytes(const std::string& before, std::string_view bytes)
{
    if (bytes.size() >= kPlaceTailBytes)
        return std::string(bytes.substr(bytes.size() - kPlaceTailBytes));
    std::string tail = before;
    tail.append(bytes);
    if (tail.size() > kPlaceTailBytes)
        tail.erase(0, tail.size() - kPlaceTailBytes);
    return tail;
}

// The count bytes just before offset; shorter when the file no longer holds them, empty on a
// read error too (then *failed is set).
std::string BytesBefore(int fd, off_t offset, std::size_t count, bool* failed = nullptr)
{
    count = std::min(count, static_cast<std::size_t>(offset));
    std::string bytes(count, '\0');
    ssize_t got;
    while ((got = ::pread(fd, bytes.data(), count, offset - static_cast<off_t>(count))) < 0 &&
           errno == EINTR) {
    }
    if (failed)
        *failed = got < 0;
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
}

} // namespace

std::chrono::milliseconds RetryPause::Next()
{
    const std::chrono::milliseconds pause = m_next;
    m_next = std::min(m_next * 2, std::max(kMaxRetryPause, m_first));
    return pause;
}

CompanionLogger::CompanionLogger(std::string sourcePath, HandoverFiles files, bool fromStart,
                                 Reporter report, std::unique_ptr<SourceTranslator> translator)
    : m_sourcePath(std::move(sourcePath)), m_files(std::move(files)), m_report(std::move(report)),
      m_fromStart(fromStart), m_translator(std::move(translator))
{
}

CompanionLogger::~CompanionLogger()
{
    CloseSource();
}

void CompanionLogger::Report(const std::string& problem)
{
    if (problem == m_lastProblem)
        return;
    m_lastProblem = problem;
    if (m_report)
        m_report(problem);
}

bool CompanionLogger::Start(std::string* error)
{
    if (!m_loggerLock.Acquire(m_files.lock, HandoverLockKind::Logger,
                              std::chrono::milliseconds(0))) {
        if (error) {
            *error = errno == EWOULDBLOCK ? "another logger is already writing to " +
                                                Quoted(m_files.data) + "; this one ends"
                                          : "cannot open the lock file " + Quoted(m_files.lock) +
                                                ": " + ErrorText(errno);
        }
        return false;
    }
    // The update holds the data lock only briefly; at the start there is nothing else to do.
    HandoverLock dataLock;
    while (!dataLock.Acquire(m_files.lock, HandoverLockKind::Data, kDataLockWait)) {
        if (errno != EWOULDBLOCK) {
            if (error)
                *error =
                    "cannot open the lock file " + Quoted(m_files.lock) + ": " + ErrorText(errno);
            m_loggerLock.Release();
            return false;
        }
        Report("the data lock of " + Quoted(m_files.data) + " is held for long; waiting for it");
    }
    LoadKeptPlace();
    return true;
}

void CompanionLogger::LoadKeptPlace()
{
    off_t cut = 0;
    std::string problem;
    if (!SettleUnconfirmedBatch(m_files, &cut, &problem)) {
        Report(problem);
        m_mustSettle = true;
    } else if (cut > 0) {
        Report("the last batch of a logger that stopped was incomplete; its " +
               std::to_string(cut) + " bytes were taken back and its lines are written again");
    }
    std::string error;
    const std::optional<LoggerPosition> position = ReadLoggerPosition(m_files.position, &error);
    if (!position) {
        if (!error.empty())
            Report(error + "; the place in the source is not known");
        return;
    }
    // Written by a writer that follows no source: no place is kept yet.
    if (!position->source.Known())
        return;
    m_keptPlace = position->source;
    m_confirmed = position->source;
}

bool CompanionLogger::KeptPlaceHolds(const SourcePlace& kept) const
{
    struct stat info;
    if (::fstat(m_fd, &info) != 0 || info.st_dev != kept.device || info.st_ino != kept.inode ||
        info.st_size < kept.offset)
        return false;
    return BytesBefore(m_fd, kept.offset, kept.tail.size()) == kept.tail;
}

void CompanionLogger::OpenSource()
{
    const int fd = ::open(m_sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Report("cannot open the source " + Quoted(m_sourcePath) + ": " + ErrorText(errno));
        // A source that appears later is new: all of it is read.
        m_firstOpen = false;
        return;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_device = info.st_dev;
    m_inode = info.st_ino;
    m_offset = 0;
    m_readTail.clear();
    if (m_keptPlace) {
        if (KeptPlaceHolds(*m_keptPlace)) {
            m_offset = m_keptPlace->offset;
            m_readTail = m_keptPlace->tail;
        } else if (m_keptPlace->inode != 0 || m_keptPlace->offset != 0) {
            Report("the source " + Quoted(m_sourcePath) +
                   " was replaced or emptied since the logger last read it; reading it from the "
                   "start");
        }
        m_keptPlace.reset();
    } else if (m_firstOpen && !m_fromStart) {
        m_offset = info.st_size;
        m_readTail = BytesBefore(fd, m_offset, kPlaceTailBytes);
    }
    m_place = {m_device, m_inode, m_offset, m_readTail};
    if (!m_readStart)
        m_readStart = m_place;
    ++m_generation;
    m_firstOpen = false;
    m_lastProblem.clear();
}

void CompanionLogger::CloseSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool CompanionLogger::SourceStillHolds() const
{
    if (m_offset == 0)
        return true;
    struct stat info;
    if (::fstat(m_fd, &info) == 0 && info.st_size < m_offset)
        return false;
    bool failed = false;
    const std::string bytes = BytesBefore(m_fd, m_offset, m_readTail.size(), &failed);
    // A read error says nothing about the bytes; the next look tells.
    return failed || bytes == m_readTail;
}

void CompanionLogger::ReadAgainFromStart()
{
    Report("the source " + Quoted(m_sourcePath) + " was emptied; reading it from the start");
    // The partial last line will never be finished now.
    EndPartialLine();
    m_offset = 0;
    m_readTail.clear();
    m_place = {m_device, m_inode, 0, std::string()};
    ++m_generation;
    m_lastProblem.clear();
}

std::int64_t CompanionLogger::Mark(off_t offset) const
{
    return (m_generation << kMarkGenerationShift) | static_cast<std::int64_t>(offset);
}

SourcePlace CompanionLogger::HeldPlace() const
{
    const std::optional<std::int64_t> mark =
        m_translator ? m_translator->EarliestOpenMark() : std::nullopt;
    if (!mark || m_fd < 0)
        return m_place;
    // The connection began in a file that is read no more: a logger started again can only
    // read the present one, from its start.
    if ((*mark >> kMarkGenerationShift) != m_generation)
        return {m_device, m_inode, 0, std::string()};
    const auto offset = static_cast<off_t>(*mark & ((std::int64_t{1} << kMarkGenerationShift) - 1));
    if (offset >= m_place.offset)
        return m_place;
    return {m_device, m_inode, offset, BytesBefore(m_fd, offset, kPlaceTailBytes)};
}

void CompanionLogger::AddLine(std::string_view line, off_t lineStart)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty())
        return;
    if (m_translator) {
        m_translator->Take(line, Mark(lineStart));
        return;
    }
    if (m_batch.empty())
        m_batchStart = m_place;
    m_batch += '"';
    const std::size_t start = m_batch.size();
    m_batch.append(line);
    std::replace(m_batch.begin() + static_cast<std::ptrdiff_t>(start), m_batch.end(), '"', '\'');
    m_batch += "\"\r\n";
    ++m_batchLines;
}

void CompanionLogger::EndPartialLine()
{
    if (m_partial.empty())
        return;
    AddLine(m_partial, m_partialStart);
    m_partial.clear();
    m_place = {m_device, m_inode, m_offset, m_readTail};
}

bool CompanionLogger::ReadMore()
{
    m_readBuffer.resize(kReadBlock);
    ssize_t n;
    while ((n = ::pread(m_fd, m_readBuffer.data(), kReadBlock, m_offset)) < 0 && errno == EINTR) {
    }
    if (n <= 0) {
        if (n < 0)
            Report("cannot read the source " + Quoted(m_sourcePath) + ": " + ErrorText(errno));
        return false;
    }
    const std::string_view block(m_readBuffer.data(), static_cast<std::size_t>(n));
    // Up to the end of the last line taken from this block: where the kept place moves.
    std::size_t taken = 0;
    std::size_t at = 0;
    while (at < block.size()) {
        const std::size_t end = block.find('\n', at);
        if (end == std::string_view::npos) {
            if (m_partial.empty())
                m_partialStart = m_offset + static_cast<off_t>(at);
            m_partial.append(block.substr(at));
            if (m_partial.size() > kMaxLine) {
                Report("a line of the source is longer than " + std::to_string(kMaxLine) +
                       " bytes; it is cut");
                AddLine(m_partial, m_partialStart);
                m_partial.clear();
                taken = block.size();
            }
            break;
        }
        if (m_partial.empty()) {
            AddLine(block.substr(at, end - at), m_offset + static_cast<off_t>(at));
        } else {
            m_partial.append(block.substr(at, end - at));
            AddLine(m_partial, m_partialStart);
            m_partial.clear();
        }
        at = end + 1;
        taken = at;
    }
    const std::string before = m_readTail;
    m_readTail = LastBytes(before, block);
    if (taken > 0) {
        m_place = {m_device, m_inode, m_offset + static_cast<off_t>(taken),
                   LastBytes(before, block.substr(0, taken))};
    }
    m_offset += n;
    return true;
}

bool CompanionLogger::WriteBatch()
{
    if (m_translator)
        m_translator->TakeReady(m_deliveries);
    const SourcePlace place = HeldPlace();
    const bool nothing = m_batch.empty() && m_deliveries.empty();
    if (nothing && m_confirmed && SamePlace(*m_confirmed, place))
        return true;
    // Before a source was opened there is no place in it: the kept one stands. Writing an empty
    // place would make the next logger read the whole source again.
    if (nothing && !place.Known())
        return true;
    std::string problem;
    HandoverLock dataLock;
    if (!dataLock.Acquire(m_files.lock, HandoverLockKind::Data, kDataLockWait)) {
        problem =
            errno == EWOULDBLOCK
                ? "the data lock of " + Quoted(m_files.data) + " is held for long"
                : "cannot open the lock file " + Quoted(m_files.lock) + ": " + ErrorText(errno);
    } else if (m_mustSettle && !SettleUnconfirmedBatch(m_files, nullptr, &problem)) {
    } else {
        m_mustSettle = false;
        const bool delivered = !m_deliveries.empty() ? DeliverConnections(place, problem)
                               : nothing             ? DeliverPlace(place, problem)
                                                     : DeliverBatch(problem);
        if (delivered) {
            m_linesWritten += m_batchLines;
            m_batch.clear();
            m_deliveries.clear();
            m_batchLines = 0;
            m_confirmed = place;
            // A problem with delivering that comes back later is told again.
            if (m_deliveryFailing)
                m_lastProblem.clear();
            m_deliveryFailing = false;
            return true;
        }
    }
    m_deliveryFailing = true;
    Report(nothing ? problem : problem + "; the lines wait");
    return false;
}

bool CompanionLogger::DeliverPlace(const SourcePlace& place, std::string& problem)
{
    if (WriteLoggerPosition(m_files.position, {place, std::nullopt}))
        return true;
    problem =
        "cannot write the position file " + Quoted(m_files.position) + ": " + ErrorText(errno);
    return false;
}

bool CompanionLogger::DeliverBatch(std::string& problem)
{
    off_t cut = 0;
    const bool appended =
        AppendBatch(m_files, m_batch, {}, m_batchStart, m_place, &cut, &m_mustSettle, &problem);
    if (cut > 0)
        Report("the data file " + Quoted(m_files.data) + " ended inside a field; its last " +
               std::to_string(cut) + " bytes were cut");
    return appended;
}

bool CompanionLogger::DeliverConnections(const SourcePlace& place, std::string& problem)
{
    BatchTexts texts;
    if (!PrepareBatch(m_files, m_ledger, m_deliveries, texts, &problem))
        return false;
    if (texts.connections == 0)
        return DeliverPlace(place, problem);
    // Every connection of the batch begins after the confirmed place: a batch taken back is read
    // again from there.
    const SourcePlace before = m_confirmed ? *m_confirmed : m_readStart.value_or(place);
    off_t cut = 0;
    const bool appended = AppendBatch(m_files, texts.data, texts.ledger, before, place, &cut,
                                      &m_mustSettle, &problem);
    if (cut > 0)
        Report("the data file " + Quoted(m_files.data) + " ended inside a field; its last " +
               std::to_string(cut) + " bytes were cut");
    if (appended)
        m_batchLines =
            static_cast<std::int64_t>(std::count(texts.data.begin(), texts.data.end(), '\n'));
    return appended;
}

bool CompanionLogger::Poll()
{
    if (!m_loggerLock.Held()) {
        Report("the logger was not started");
        return false;
    }
    // Lines that could not be written before go first; the source waits behind them.
    if (!WriteBatch())
        return false;
    if (m_translator)
        m_translator->BeginReading();
    m_caughtUp = false;
    std::size_t readThisPoll = 0;
    for (;;) {
        if (m_fd < 0) {
            OpenSource();
            if (m_fd < 0)
                break;
            // The place the logger starts from is kept before anything is read: a logger killed
            // in its first moments must leave a place to come back to, or the next one would start
            // at the end of the source and lose what was written meanwhile.
            if (m_batch.empty() && !WriteBatch())
                return false;
        }
        while (readThisPoll < kPollLimit) {
            if (!SourceStillHolds())
                ReadAgainFromStart();
            const off_t before = m_offset;
            if (!ReadMore())
                break;
            readThisPoll += static_cast<std::size_t>(m_offset - before);
            if (m_batch.size() >= kBatchLimit && !WriteBatch())
                return false;
        }
        if (readThisPoll >= kPollLimit)
            return WriteBatch();

        struct stat named;
        const bool present = ::stat(m_sourcePath.c_str(), &named) == 0;
        if (present && named.st_dev == m_device && named.st_ino == m_inode)
            break;
        // Replaced or removed: what the old file still holds was read above; its partial last
        // line will never be finished.
        EndPartialLine();
        CloseSource();
        if (!present) {
            Report("the source " + Quoted(m_sourcePath) + " is gone; waiting for it");
            break;
        }
    }
    m_caughtUp = true;
    return WriteBatch();
}

bool CompanionLogger::Finish()
{
    if (!Poll() || !m_caughtUp)
        return false;
    // A translated line is read whole or not at all: the rest of it is still to come.
    if (!m_translator)
        EndPartialLine();
    return WriteBatch();
}

} // namespace dialtally
