#include "log/sessionlog.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
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

LogEvent DecodeRecord(const unsigned char* bytes)
{
    LogEvent event;
    std::memcpy(&event.dtTime, bytes, 8);
    std::memcpy(&event.iCode, bytes + 8, 2);
    std::memcpy(&event.lValue, bytes + 10, 4);
    return event;
}

bool ReadSessionLog(const QString& programDir, EventList& events, QString* error)
{
    QFile file(LogPath(programDir, kSessionLogName));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, FileError(QStringLiteral("open"), file));
        return false;
    }
    const qint64 size = file.size();
    if (size > 0)
        events.reserve(events.size() + static_cast<std::size_t>(size) / kLogRecordSize);

    constexpr qint64 kBlockSize = kLogRecordSize * 65536;
    std::vector<unsigned char> block(kBlockSize);
    std::size_t carried = 0; // bytes of a record split across two blocks
    for (;;) {
        const qint64 got = file.read(reinterpret_cast<char*>(block.data()) + carried,
                                     kBlockSize - static_cast<qint64>(carried));
        if (got < 0) {
            SetError(error, FileError(QStringLiteral("read"), file));
            return false;
        }
        if (got == 0)
            break;
        const std::size_t available = carried + static_cast<std::size_t>(got);
        const std::size_t whole = available - available % kLogRecordSize;
        for (std::size_t offset = 0; offset < whole; offset += kLogRecordSize)
            events.push_back(DecodeRecord(block.data() + offset));
        carried = available - whole;
        std::memmove(block.data(), block.data() + whole, carried);
    }
    return true;
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

bool AppendSessionLog(const QString& programDir, std::span<const LogEvent> events, QString* error)
{
    QFile file(LogPath(programDir, kSessionLogName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        SetError(error, FileError(QStringLiteral("open"), file));
        return false;
    }
    if (!WriteRecords(file, events) || !file.flush()) {
        SetError(error, FileError(QStringLiteral("write"), file));
        return false;
    }
    return true;
}

bool RewriteSessionLog(const QString& programDir, std::span<const LogEvent> events, QString* error)
{
    const QString logPath = LogPath(programDir, kSessionLogName);
    const QString backupPath = LogPath(programDir, kSessionLogBackupName);
    if (QFile::exists(backupPath) && !QFile::remove(backupPath)) {
        SetError(error,
                 QStringLiteral("Cannot delete \"%1\".").arg(QDir::toNativeSeparators(backupPath)));
        return false;
    }
    if (QFile::exists(logPath) && !QFile::rename(logPath, backupPath)) {
        SetError(error, QStringLiteral("Cannot rename \"%1\" to \"%2\".")
                            .arg(QDir::toNativeSeparators(logPath), kSessionLogBackupName));
        return false;
    }
    return WriteSessionLog(programDir, events, error);
}

int ValueKind(int code)
{
    const int low = code & 255;
    if (low >= 100 && low <= 199)
        return 1;
    if (low >= 200)
        return 2;
    return 0;
}

std::array<int, kErrorCounterCount> ErrorCounters(const SessionRecord& s)
{
    return {s.iCrcErrors,     s.iTimeoutErrors,       s.iAlignmentErrors,  s.iOverrunErrors,
            s.iFramingErrors, s.iBufferOverrunErrors, s.iIncompletePackets};
}

SessionList BuildSessions(std::span<const LogEvent> events)
{
    SessionList sessions(1);
    bool firstStart = true;
    bool inSession = false;
    for (const LogEvent& event : events) {
        const int code = event.iCode;
        SessionRecord* current = &sessions.back();
        if (inSession && IsRestart(code)) {
            // A new start inside a session closes it as a session of zero length.
            current->vDown = current->vUp;
            inSession = false;
        }
        if (!inSession && IsStart(code)) {
            if (firstStart) {
                firstStart = false;
            } else if (current->vDown) {
                current = &sessions.emplace_back();
            }
            // Otherwise an earlier start that never got a disconnect time is overwritten.
            current->vUp = EventTime(event);
            inSession = true;
        } else if (IsEnd(code)) {
            current->vDown = EventTime(event);
            inSession = false;
        } else if (StoreCounterEvent(*current, code, event.lValue)) {
            inSession = false;
        }
    }
    return sessions;
}

} // namespace dialtally
