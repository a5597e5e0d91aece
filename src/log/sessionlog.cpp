#include "log/sessionlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef __linux__
#include <sys/mman.h>
#endif
#include <algorithm>
#include <bit>
#include <cstring>

namespace dialtally {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the session log is little-endian; add byte swapping for this platform");
static_assert(sizeof(double) == 8);

QString LogPath(const QString& programDir, const QString& name)
{
    return QDir(programDir).filePath(name);
}

void SetError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

QString FileError(const QString& action, const QFileDevice& file)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(action, QDir::toNativeSeparators(file.fileName()), file.errorString());
}

bool WriteRecords(QFileDevice& file, std::span<const LogEvent> events)
{
    // Records go out in blocks to keep system calls few on logs of millions of events.
    constexpr std::size_t kRecordsPerBlock = 4096;
    std::vector<unsigned char> block;
    block.reserve(kRecordsPerBlock * kLogRecordSize);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const LogRecordBytes bytes = EncodeRecord(events[i]);
        block.insert(block.end(), bytes.begin(), bytes.end());
        if (block.size() == block.capacity() || i + 1 == events.size()) {
            const auto size = static_cast<qint64>(block.size());
            if (file.write(reinterpret_cast<const char*>(block.data()), size) != size)
                return false;
            block.clear();
        }
    }
    return true;
}

void StoreCounter(std::int16_t& counter, std::int32_t value)
{
    // A counter beyond 16 bits does not fit the record; the previous value stands.
    if (value >= INT16_MIN && value <= INT16_MAX)
        counter = static_cast<std::int16_t>(value);
}

// Fresh memory is handed out page by page, and on some machines each first touch of a page costs
// microseconds; for the session list of a big log, whole huge pages save most of that.
void AdviseHugePages(void* data, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHugePage = 2u << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

bool IsStart(int code)
{
    return code == 11 || code == 13 || code == 257 || code == 269;
}
bool IsEnd(int code)
{
    return code == 2 || code == 12 || code == 258;
}
bool IsRestart(int code)
{
    return code == 13 || code == 257;
}

// Counter events store their value in the current entry; false for any other code.
bool StoreCounterEvent(SessionRecord& s, int code, std::int32_t value)
{
    switch (code) {
    case 101:
    case 357:
        s.lRx = value;
        return true;
    case 102:
    case 358:
        s.lTx = value;
        return true;
    case 121:
    case 377:
        StoreCounter(s.iCrcErrors, value);
        return true;
    case 122:
    case 378:
        StoreCounter(s.iTimeoutErrors, value);
        return true;
    case 123:
    case 379:
        StoreCounter(s.iAlignmentErrors, value);
        return true;
    case 124:
    case 380:
        StoreCounter(s.iOverrunErrors, value);
        return true;
    case 125:
    case 381:
        StoreCounter(s.iFramingErrors, value);
        return true;
    case 126:
    case 382:
        StoreCounter(s.iBufferOverrunErrors, value);
        return true;
    case 127:
    case 383:
        StoreCounter(s.iIncompletePackets, value);
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<DateTime> EventTime(const LogEvent& event)
{
    return FromDayCount(event.dtTime);
}

LogEvent MakeEvent(DateTime time, std::int16_t code, std::int32_t value)
{
    return LogEvent{ToDayCount(time), code, value};
}

LogRecordBytes EncodeRecord(const LogEvent& event)
{
    LogRecordBytes bytes;
    std::memcpy(bytes.data(), &event.dtTime, 8);
    std::memcpy(bytes.data() + 8, &event.iCode, 2);
    std::memcpy(bytes.data() + 10, &event.lValue, 4);
    return bytes;
}

bool ReadSessionLog(const QString& programDir,
                    const std::function<void(std::span<const LogEvent>)>& consume, QString* error)
{
    QFile file(LogPath(programDir, kSessionLogName));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        SetError(error, FileError(QStringLiteral("open"), file));
        return false;
    }
    // Small blocks stay in the processor's cache and the decoded records are reused: a log of
    // millions of records costs no more memory than one block.
    constexpr std::size_t kRecordsPerBlock = 16384;
    constexpr qint64 kBlockSize = kRecordsPerBlock * kLogRecordSize;
    std::vector<unsigned char> block(kBlockSize);
    std::vector<LogEvent> decoded(kRecordsPerBlock);
    std::size_t carried = 0; // bytes of a record split across two blocks
    for (;;) {
        const qint64 got = file.read(reinterpret_cast<char*>(block.data()) + carried,
                                     kBlockSize - static_cast<qint64>(carried));
        if (got < 0) {
            SetError(error, FileError(QStringLiteral("read"), file));
            return false;
        }
        if (got == 0)
            return true;
        const std::size_t available = carried + static_cast<std::size_t>(got);
        const std::size_t records = available / kLogRecordSize;
        for (std::size_t i = 0; i < records; ++i)
            decoded[i] = DecodeRecord(block.data() + i * kLogRecordSize);
        consume(std::span<const LogEvent>(decoded.data(), records));
        carried = available - records * kLogRecordSize;
        std::memmove(block.data(), block.data() + records * kLogRecordSize, carried);
    }
}

bool ReadSessionLog(const QString& programDir, EventList& events, QString* error)
{
    const qint64 size = QFileInfo(LogPath(programDir, kSessionLogName)).size();
    if (size > 0)
        events.reserve(events.size() + static_cast<std::size_t>(size) / kLogRecordSize);
    return ReadSessionLog(
        programDir,
        [&events](std::span<const LogEvent> block) {
            events.insert(events.end(), block.begin(), block.end());
        },
        error);
}

bool ReadSessions(const QString& programDir, SessionList& sessions, QString* error)
{
    // A connection leaves about twenty records; room for a session per sixteen records spares
    // the list most of its growth. Room that stays unused costs address space only.
    const qint64 size = QFileInfo(LogPath(programDir, kSessionLogName)).size();
    SessionBuilder builder(size > 0 ? static_cast<std::size_t>(size) / kLogRecordSize / 16 : 0);
    const bool ok = ReadSessionLog(
        programDir, [&builder](std::span<const LogEvent> block) { builder.Add(block); }, error);
    sessions = builder.Take();
    return ok;
}

bool WriteSessionLog(const QString& programDir, std::span<const LogEvent> events, QString* error)
{
    QSaveFile file(LogPath(programDir, kSessionLogName));
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(error, FileError(QStringLiteral("create"), file));
        return false;
    }
    if (!WriteRecords(file, events)) {
        SetError(error, FileError(QStringLiteral("write"), file));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        SetError(error, FileError(QStringLiteral("write"), file));
        return false;
    }
    return true;
}

bool AppendSessionLog(const QString& programDir, std::span<const LogEvent> events, QString* error,
                      std::int64_t* tornBytesCut)
{
    QFile file(LogPath(programDir, kSessionLogName));
    if (!file.open(QIODevice::ReadWrite)) {
        SetError(error, FileError(QStringLiteral("open"), file));
        return false;
    }
    const qint64 torn = file.size() % static_cast<qint64>(kLogRecordSize);
    if (tornBytesCut)
        *tornBytesCut = torn;
    if (torn != 0 && !file.resize(file.size() - torn)) {
        SetError(error, FileError(QStringLiteral("cut the torn end of"), file));
        return false;
    }
    if (!file.seek(file.size()) || !WriteRecords(file, events) || !file.flush()) {
        SetError(error, FileError(QStringLiteral("write"), file));
        return false;
    }
    return true;
}

ValueKinds ValueKind(int code)
{
    const int low = code & 255;
    if (low >= 100 && low <= 199)
        return ValueKinds::DecimalCounter;
    if (low >= 200)
        return ValueKinds::HexAddress;
    return ValueKinds::None;
}

std::array<int, kErrorCounterCount> ErrorCounters(const SessionRecord& s)
{
    return {s.iCrcErrors,     s.iTimeoutErrors,       s.iAlignmentErrors,  s.iOverrunErrors,
            s.iFramingErrors, s.iBufferOverrunErrors, s.iIncompletePackets};
}

SessionBuilder::SessionBuilder(std::size_t expectedSessions)
{
    m_sessions.reserve(std::max<std::size_t>(expectedSessions, 1));
    AdviseHugePages(m_sessions.data(), m_sessions.capacity() * sizeof(SessionRecord));
    m_sessions.emplace_back();
}

SessionBuilder::SessionBuilder(SessionList sessions, bool firstStart, bool inSession)
    : m_sessions(std::move(sessions)), m_firstStart(firstStart), m_inSession(inSession)
{
    if (m_sessions.empty())
        m_sessions.emplace_back();
}

void SessionBuilder::Add(const LogEvent& event)
{
    const int code = event.iCode;
    SessionRecord* current = &m_sessions.back();
    if (m_inSession && IsRestart(code)) {
        // A new start inside a session closes it as a session of zero length.
        current->vDown = current->vUp;
        m_inSession = false;
    }
    if (!m_inSession && IsStart(code)) {
        if (m_firstStart) {
            m_firstStart = false;
        } else if (current->vDown) {
            current = &m_sessions.emplace_back();
        }
        // Otherwise an earlier start that never got a disconnect time is overwritten.
        current->vUp = EventTime(event);
        m_inSession = true;
    } else if (IsEnd(code)) {
        current->vDown = EventTime(event);
        m_inSession = false;
    } else if (StoreCounterEvent(*current, code, event.lValue)) {
        m_inSession = false;
    }
}

void SessionBuilder::Add(std::span<const LogEvent> events)
{
    for (const LogEvent& event : events)
        Add(event);
}

SessionList SessionBuilder::Take()
{
    SessionList sessions = std::move(m_sessions);
    *this = SessionBuilder(0);
    return sessions;
}

SessionList BuildSessions(std::span<const LogEvent> events)
{
    SessionBuilder builder(0);
    builder.Add(events);
    return builder.Take();
}

} // namespace dialtally
