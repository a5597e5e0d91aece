// The adapter line parser over arbitrary bytes: the time stamp, the message, its recognition in
// every dialect and both value rules. The recognition and the value rules are checked against
// plain restatements of their rules (a linear scan of the tables, a text comparison of numbers),
// so that a fault in the fast paths shows as a difference.

#include "fuzzsupport.h"
#include "log/adapterline.h"

#include <charconv>
#include <memory>
#include <string>

using namespace dialtally;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The longest table text that begins the message wins; of equal texts the first in the table.
int ReferenceClassify(std::string_view message, Dialect dialect)
{
    int code = 0;
    std::size_t longest = 0;
    for (const MessageEntry& entry : MessageTable(dialect))
        for (std::string_view text : entry.texts)
            if (message.starts_with(text) && text.size() > longest) {
                longest = text.size();
                code = entry.code;
            }
    return code;
}

std::int32_t ReferenceDecimal(std::string_view line)
{
    const std::size_t last = line.find_last_of("0123456789");
    if (last == std::string_view::npos)
        return 0;
    std::size_t first = last;
    while (first > 0 && IsDigit(line[first - 1]))
        --first;
    std::string digits(line.substr(first, last - first + 1));
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    const std::string limit = "2147483647";
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit))
        return 0;
    return digits.empty() ? 0 : static_cast<std::int32_t>(std::stol(digits));
}

std::int32_t ReferenceHex(std::string_view line)
{
    if (line.ends_with('.'))
        line.remove_suffix(1);
    const std::string_view word = line.substr(line.rfind(' ') + 1);
    if (word.empty())
        return 0;
    std::uint64_t value = 0;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    if (result.ec != std::errc() || result.ptr != word.data() + word.size() || value > 0xFFFFFFFFu)
        return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Digits, optionally after blanks: what the time stamp fields may hold.
bool IsTimeField(std::string_view field)
{
    const std::size_t first = field.find_first_not_of(' ');
    return first != std::string_view::npos &&
           field.find_first_not_of("0123456789", first) == std::string_view::npos;
}

int PlainNumber(std::string_view field)
{
    int value = 0;
    for (char c : field)
        value = value * 10 + (c - '0');
    return value;
}

void CheckTime(std::string_view line)
{
    const std::optional<DateTime> time = LineTime(line);
    const bool fieldsAreNumbers =
        line.size() >= 19 && IsTimeField(line.substr(0, 2)) && IsTimeField(line.substr(3, 2)) &&
        IsTimeField(line.substr(6, 4)) && IsTimeField(line.substr(11, 2)) &&
        IsTimeField(line.substr(14, 2)) && IsTimeField(line.substr(17, 2));
    if (!fieldsAreNumbers) {
        FUZZ_CHECK(!time);
        return;
    }
    if (!time)
        return;
    // The update stores the time as a day count and the load reads it back: it must survive.
    FUZZ_CHECK(FromDayCount(ToDayCount(*time)) == *time);

    // A time stamp already within the ranges of its units reads back field by field.
    const std::string_view digits = "0123456789";
    bool plain = true;
    for (std::size_t at : {0, 1, 3, 4, 6, 7, 8, 9, 11, 12, 14, 15, 17, 18})
        plain = plain && digits.find(line[at]) != std::string_view::npos;
    if (!plain)
        return;
    const CivilTime expected{PlainNumber(line.substr(6, 4)),  PlainNumber(line.substr(0, 2)),
                             PlainNumber(line.substr(3, 2)),  PlainNumber(line.substr(11, 2)),
                             PlainNumber(line.substr(14, 2)), PlainNumber(line.substr(17, 2))};
    const bool inRange = expected.month >= 1 && expected.month <= 12 && expected.day >= 1 &&
                         expected.day <= 28 && expected.hour < 24 && expected.minute < 60 &&
                         expected.second < 60 && expected.year >= 100;
    if (inRange)
        FUZZ_CHECK(ToCivil(*time) == expected);
}

void CheckMessage(std::string_view line, std::string_view message)
{
    FUZZ_CHECK(message.data() >= line.data() &&
               message.data() + message.size() <= line.data() + line.size());
    FUZZ_CHECK(!message.starts_with(' ') && !message.ends_with(' '));
    const std::string_view after =
        line.substr(static_cast<std::size_t>(message.data() - line.data()) + message.size());
    FUZZ_CHECK(after.find_first_not_of(' ') == std::string_view::npos);
}

// The message in a block of its own, exactly as long as the message, so that AddressSanitizer
// sees any read past its end (inside the line it would still be readable).
void CheckClassify(std::string_view text)
{
    const std::unique_ptr<char[]> copy(new char[text.size()]);
    std::copy(text.begin(), text.end(), copy.get());
    const std::string_view message(copy.get(), text.size());
    for (Dialect dialect : {Dialect::Windows95, Dialect::Windows98})
        FUZZ_CHECK(ClassifyMessage(message, dialect) == ReferenceClassify(message, dialect));
    // Values outside the enumeration, as a damaged setting could give.
    for (int dialect : {0, 3, -1, 257})
        FUZZ_CHECK(ClassifyMessage(message, static_cast<Dialect>(dialect)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    CheckTime(line);

    const std::string_view message = MessageText(line);
    CheckMessage(line, message);
    CheckClassify(message);
    CheckClassify(line);

    // A counter is never negative: its value is a run of digits.
    const std::int32_t decimal = DecimalValue(line);
    FUZZ_CHECK(decimal >= 0 && decimal == ReferenceDecimal(line));
    FUZZ_CHECK(HexValue(line) == ReferenceHex(line));
    return 0;
}
