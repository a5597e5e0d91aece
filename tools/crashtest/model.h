#pragma once

#include "generate/generator.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dialtally {

// The adapter lines of one round, made by the generator, with the session log record that each
// recognised line must become: the bytes that the generator's session log output writes for it.
struct RoundLines {
    GeneratorOptions options;
    std::string text;                // the lines as FormatLine gives them, back to back
    std::vector<std::size_t> ends;   // where each line ends in text
    std::vector<std::int64_t> index; // each line's record in records, or -1 for a dropped line
    std::string records;             // 14 bytes per recognised line

    std::size_t Count() const { return ends.size(); }
    std::string_view Line(std::size_t i) const;
};

// Empty with *error when the generator's records do not match its recognised lines.
std::optional<RoundLines> GenerateRound(const GeneratorOptions& options, std::string* error);

// What the session log must hold: the record of every recognised line that was delivered (to the
// data file, or to the adapter's log that the logger follows), in the order of delivery.
class Model {
public:
    void Deliver(const RoundLines& lines, std::size_t first, std::size_t count);
    void Reset() { *this = Model(); }
    const std::string& Expected() const { return m_expected; }
    std::int64_t Lines() const { return m_lines; }

private:
    std::string m_expected;
    std::int64_t m_lines = 0;
};

// Empty when the log holds exactly the expected records, else where and how it differs: counts,
// a torn tail, the first differing record and whether it is doubled, missing or foreign.
std::optional<std::string> DescribeLogDifference(std::string_view log, std::string_view expected);

// "2024-01-05 10:14:40 code 357 value 1234" for the 14 bytes of a record.
std::string DescribeRecord(std::string_view record);

} // namespace dialtally
