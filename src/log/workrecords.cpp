#include "log/workrecords.h"

#include "log/adapterline.h"
#include "log/datafields.h"
#include "log/datetime.h"
#include "log/sessionlog.h"
#include "log/update.h"
#include "log/writeall.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace dialtally {
namespace {

constexpr std::size_t kOutputBlock = std::size_t{1} << 20;

// The six time fields count as numbers when they are digits after optional blanks, as the line
// parser reads them; a line whose fields are numbers but whose date cannot be formed is an error
// of another kind than a line without a time stamp.
bool TimeFieldsAreNumbers(std::string_view line)
{
    if (line.size() < 19)
        return false;
    constexpr std::pair<std::size_t, std::size_t> kFields[] = {{0, 2},  {3, 2},  {6, 4},
                                                               {11, 2}, {14, 2}, {17, 2}};
    for (const auto& [start, length] : kFields) {
        std::size_t i = start;
        const std::size_t end = start + length;
        while (i < end && line[i] == ' ')
            ++i;
        if (i == end)
            return false;
        for (; i < end; ++i) {
            if (line[i] < '0' || line[i] > '9')
                return false;
        }
    }
    return true;
}

// Consecutive lines nearly always share their date: its day is kept from the last line, and a
// line with the same date bytes and a plain time of day needs no calendar arithmetic. The day
// count of the record is formed from the kept day as ToDayCount forms it, so the bytes are the
// same.
class LineTimeCache {
public:
    // False when the line has no usable time; dayCount is the record's time otherwise.
    bool Get(std::string_view line, double& dayCount)
    {
        int secondOfDay = 0;
        const bool plainTime = PlainTimeOfDay(line, secondOfDay);
        if (plainTime && m_valid && SameDate(line.data())) {
            const double fraction =
                static_cast<double>(secondOfDay) / static_cast<double>(kSecondsPerDay);
            // Before the epoch the time of day still counts forward from midnight.
            dayCount = m_dayNonNegative ? m_day + fraction : m_day - fraction;
            return true;
        }
        const std::optional<DateTime> time = LineTime(line);
        if (!time)
            return false;
        dayCount = ToDayCount(*time);
        if (plainTime) {
            std::memcpy(&m_dateHead, line.data(), 8);
            std::memcpy(&m_dateTail, line.data() + 8, 2);
            // A plain time of day cannot roll the date over, so the day starts secondOfDay
            // before the line, on a whole day.
            const std::int64_t days = (time->seconds - secondOfDay) / kSecondsPerDay;
            m_day = static_cast<double>(days);
            m_dayNonNegative = days >= 0;
            m_valid = true;
        }
        return true;
    }

private:
    static constexpr std::int64_t kSecondsPerDay = 86400;

    bool SameDate(const char* date) const
    {
        std::uint64_t head;
        std::uint16_t tail;
        std::memcpy(&head, date, 8);
        std::memcpy(&tail, date + 8, 2);
        return head == m_dateHead && tail == m_dateTail;
    }

    static bool PlainTimeOfDay(std::string_view line, int& secondOfDay)
    {
        if (line.size() < 19)
            return false;
        int parts[3];
        for (int i = 0; i < 3; ++i) {
            const char high = line[11 + 3 * i];
            const char low = line[12 + 3 * i];
            if (high < '0' || high > '9' || low < '0' || low > '9')
                return false;
            parts[i] = (high - '0') * 10 + (low - '0');
        }
        if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
            return false;
        secondOfDay = parts[0] * 3600 + parts[1] * 60 + parts[2];
        return true;
    }

    std::uint64_t m_dateHead = 0;
    std::uint16_t m_dateTail = 0;
    double m_day = 0;
    bool m_dayNonNegative = true;
    bool m_valid = false;
};

// The record as EncodeRecord lays it out, written in place: going through the returned array
// costs a stalled load for every record, as its bytes are read back across the stores that made
// them.
void PutRecord(unsigned char* at, double dayCount, std::int16_t code, std::int32_t value)
{
    std::memcpy(at, &dayCount, 8);
    std::memcpy(at + 8, &code, 2);
    std::memcpy(at + 10, &value, 4);
}

std::int32_t ValueOf(std::string_view field, std::int16_t code)
{
    switch (ValueKind(code)) {
    case 1:
        return DecimalValue(field);
    case 2:
        return HexValue(field);
    default:
        return 0;
    }
}

// Records gather in a fixed block that is written whenever it cannot take one more.
class RecordBlock {
public:
    explicit RecordBlock(int fd) : m_fd(fd), m_bytes(kOutputBlock) {}

    bool Add(double dayCount, std::int16_t code, std::int32_t value)
    {
        PutRecord(m_bytes.data() + m_size, dayCount, code, value);
        m_size += kLogRecordSize;
        return m_size + kLogRecordSize <= m_bytes.size() || Flush();
    }

    bool Flush()
    {
        const bool ok = m_size == 0 || WriteAll(m_fd, m_bytes.data(), m_size);
        m_size = 0;
        return ok;
    }

private:
    int m_fd;
    std::vector<unsigned char> m_bytes;
    std::size_t m_size = 0;
};

} // namespace

WorkFileEnd AppendWorkFileRecords(int workFd, int logFd, int dialect, UpdateReport& report,
                                  int* error)
{
    DataFieldReader reader(workFd);
    RecordBlock records(logFd);
    LineTimeCache times;
    std::string_view field;
    for (;;) {
        const DataFieldReader::Result result = reader.Next(field);
        if (result == DataFieldReader::Result::End)
            break;
        if (result == DataFieldReader::Result::ReadError) {
            *error = errno;
            records.Flush();
            return WorkFileEnd::ReadFailed;
        }
        ++report.fields;
        if (result == DataFieldReader::Result::Unterminated) {
            // A field that never ends (an unclosed quote, a last line without its end) is
            // not a line; it counts among the skipped ones.
            ++report.skipped;
            report.unterminatedLastField = true;
            break;
        }
        if (result == DataFieldReader::Result::TooLong) {
            ++report.skipped;
            continue;
        }
        double dayCount = 0;
        if (!times.Get(field, dayCount)) {
            if (!TimeFieldsAreNumbers(field)) {
                ++report.skipped;
            } else if (++report.otherErrors > kMaxOtherFieldErrors) {
                report.stoppedAtField = report.fields;
                records.Flush();
                return WorkFileEnd::TooManyErrors;
            }
            continue;
        }
        const std::int16_t code = ClassifyMessage(MessageText(field), dialect);
        if (code == 0)
            continue;
        ++report.appended;
        if (!records.Add(dayCount, code, ValueOf(field, code))) {
            *error = errno;
            return WorkFileEnd::WriteFailed;
        }
    }
    if (!records.Flush()) {
        *error = errno;
        return WorkFileEnd::WriteFailed;
    }
    return report.unterminatedLastField ? WorkFileEnd::Unterminated : WorkFileEnd::Complete;
}

} // namespace dialtally
