#include "crashtest/model.h"

#include "log/sessionlog.h"

#include <algorithm>
#include <cstring>

namespace dialtally {
namespace {

constexpr std::size_t kRecord = kLogRecordSize;

std::string_view RecordAt(std::string_view bytes, std::size_t i)
{
    return bytes.substr(i * kRecord, kRecord);
}

// The expected record nearest to before that equals the found one, looking back first.
std::optional<std::size_t> FindEarlier(std::string_view expected, std::size_t before,
                                       std::string_view record)
{
    for (std::size_t j = before; j-- > 0;) {
        if (RecordAt(expected, j) == record)
            return j;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindLater(std::string_view expected, std::size_t from,
                                     std::string_view record)
{
    const std::size_t count = expected.size() / kRecord;
    for (std::size_t j = from; j < count; ++j) {
        if (RecordAt(expected, j) == record)
            return j;
    }
    return std::nullopt;
}

std::string Counts(std::size_t logRecords, std::size_t torn, std::size_t expectedRecords)
{
    std::string text = "the log holds " + std::to_string(logRecords) + " records";
    if (torn > 0)
        text += " and a torn tail of " + std::to_string(torn) + " bytes";
    return text + ", " + std::to_string(expectedRecords) + " expected";
}

// Where the found record stands among the expected ones.
std::string Placement(std::string_view expected, std::size_t at, std::string_view found)
{
    if (const auto earlier = FindEarlier(expected, at, found))
        return "it is expected record #" + std::to_string(*earlier) + " again (doubled)";
    if (const auto later = FindLater(expected, at + 1, found))
        return "it is expected record #" + std::to_string(*later) + ": records #" +
               std::to_string(at) + " to #" + std::to_string(*later - 1) + " are missing";
    return "it is no expected record (torn or foreign)";
}

} // namespace

std::string_view RoundLines::Line(std::size_t i) const
{
    const std::size_t start = i == 0 ? 0 : ends[i - 1];
    return std::string_view(text).substr(start, ends[i] - start);
}

std::optional<RoundLines> GenerateRound(const GeneratorOptions& options, std::string* error)
{
    RoundLines round;
    round.options = options;
    std::int64_t recognised = 0;
    GeneratorOptions lineOptions = options;
    GenerateLines(lineOptions, [&](const GeneratedLine& line) {
        round.text += FormatLine(line);
        round.ends.push_back(round.text.size());
        round.index.push_back(line.code != 0 ? recognised++ : -1);
        return true;
    });
    GeneratorOptions recordOptions = options;
    recordOptions.format = OutputFormat::SesLog;
    GenerateLog(recordOptions, [&](std::string_view bytes) {
        round.records.append(bytes);
        return true;
    });
    if (round.records.size() != static_cast<std::size_t>(recognised) * kRecord) {
        if (error)
            *error = "the generator wrote " + std::to_string(round.records.size()) +
                     " record bytes for " + std::to_string(recognised) + " recognised lines";
        return std::nullopt;
    }
    return round;
}

void Model::Deliver(const RoundLines& lines, std::size_t first, std::size_t count)
{
    for (std::size_t i = first; i < first + count; ++i) {
        if (lines.index[i] >= 0)
            m_expected.append(lines.records, static_cast<std::size_t>(lines.index[i]) * kRecord,
                              kRecord);
    }
    m_lines += static_cast<std::int64_t>(count);
}

std::string DescribeRecord(std::string_view record)
{
    if (record.size() < kRecord)
        return "a torn record of " + std::to_string(record.size()) + " bytes";
    const LogEvent event = DecodeRecord(reinterpret_cast<const unsigned char*>(record.data()));
    const auto time = EventTime(event);
    const std::string when =
        time ? FormatIsoDateTime(*time) : "day " + std::to_string(event.dtTime);
    return when + " code " + std::to_string(event.iCode) + " value " + std::to_string(event.lValue);
}

std::optional<std::string> DescribeLogDifference(std::string_view log, std::string_view expected)
{
    if (log == expected)
        return std::nullopt;
    const std::size_t logRecords = log.size() / kRecord;
    const std::size_t torn = log.size() % kRecord;
    const std::size_t expectedRecords = expected.size() / kRecord;
    std::string text = Counts(logRecords, torn, expectedRecords);

    const std::size_t common = std::min(logRecords, expectedRecords);
    std::size_t at = 0;
    while (at < common && RecordAt(log, at) == RecordAt(expected, at))
        ++at;
    if (at < common) {
        const std::string_view found = RecordAt(log, at);
        return text + "; first difference at record #" + std::to_string(at) + ": expected " +
               DescribeRecord(RecordAt(expected, at)) + ", found " + DescribeRecord(found) + "; " +
               Placement(expected, at, found);
    }
    if (logRecords < expectedRecords)
        return text + "; the log ends after record #" + std::to_string(at) + ": " +
               std::to_string(expectedRecords - logRecords) + " records missing, the first " +
               DescribeRecord(RecordAt(expected, at));
    if (logRecords > expectedRecords) {
        const std::string_view extra = RecordAt(log, at);
        return text + "; " + std::to_string(logRecords - expectedRecords) +
               " records more than expected after record #" + std::to_string(at) + ", the first " +
               DescribeRecord(extra) + "; " + Placement(expected, at, extra);
    }
    return text + "; every whole record is as expected";
}

} // namespace dialtally
