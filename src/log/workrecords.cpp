#include "log/workrecords.h"

#include "log/adapterline.h"
#include "log/datafile.h"
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
    case ValueKinds::DecimalCounter:
        return DecimalValue(field);
    case ValueKinds::HexAddress:
        return HexValue(field);
    case ValueKinds::None:
        break;
    }
    return 0;
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

WorkFileEnd AppendWorkFileRecords(int workFd, int logFd, Dialect dialect, UpdateReport& report,
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
