#pragma once

#include "log/datetime.h"
#include "platform/system.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace dialtally {

// A line of the dial-up adapter's diagnostic log, as the bytes the adapter wrote in its OEM code
// page (850 or 437), for example "12-16-1998 10:14:40.33 - Remote access driver log opened.".
// Everything here works on byte views and allocates nothing: it runs for every line of an update.

// The time stamp "MM-DD-YYYY hh:mm:ss.hh" stands at fixed positions at the start of the line:
// month, day, year, hour, minute and second (the hundredths are not read).
struct TimeField {
    std::size_t start;
    std::size_t length;
};
inline constexpr TimeField kTimeFields[] = {{0, 2}, {3, 2}, {6, 4}, {11, 2}, {14, 2}, {17, 2}};
inline constexpr std::size_t kTimeStampLength = 19;
// The date part "MM-DD-YYYY".
inline constexpr std::size_t kDateLength = 10;

// The time stamp of the line, with calendar rollover. Empty when a field is not a number or the
// date is not usable; the update skips such a line.
std::optional<DateTime> LineTime(std::string_view line);

// The six fields are numbers (digits after optional blanks) as LineTime reads them. A line whose
// fields are numbers but whose date cannot be formed is another error than a line without a time
// stamp.
bool TimeFieldsAreNumbers(std::string_view line);

// What follows the first "-" at or after the 24th character, or the whole line when there is
// none; leading and trailing blanks removed. A view into line.
std::string_view MessageText(std::string_view line);

// The Windows 95 adapter's dialect (English) or the Windows 98 adapter's (English, Finnish, Dutch,
// Spanish, Italian). The first table entry whose text begins the message gives the
// event code, except that a later text extending a matching earlier one is the more specific
// match and wins; 0 when none matches or for any other dialect. Texts are compared byte for byte.
std::int16_t ClassifyMessage(std::string_view message, Dialect dialect);

// The last run of decimal digits in the line; 0 when there is none or it does not fit 32 bits.
std::int32_t DecimalValue(std::string_view line);

// The last word of the line (after dropping one trailing "."), read as up to eight hexadecimal
// digits giving a 32-bit pattern; 0 when it is empty or not such a number.
std::int32_t HexValue(std::string_view line);

// The Windows 98 table holds a Dutch and an Italian "address received and accepted" text as whole
// sample sentences with a fixed address (eight hexadecimal digits) inside, so they match only
// messages about exactly these two addresses.
inline constexpr std::string_view kDutchAcceptedAddress = "C0A80102";   // 192.168.1.2
inline constexpr std::string_view kItalianAcceptedAddress = "AC100005"; // 172.16.0.5
inline constexpr std::string_view kDutchAcceptedText =
    "IPCP : IP-adres van C0A80102 ontvangen en geaccepteerd.";
inline constexpr std::string_view kItalianAcceptedText =
    "IPCP: indirizzo IP AC100005 ricevuto e accettato.";

// The recognition tables, for tests and tools: entries in the order they are tried.
struct MessageEntry {
    std::span<const std::string_view> texts;
    std::int16_t code;
};
std::span<const MessageEntry> MessageTable(Dialect dialect);

// The day count of a line's time as the session log stores it, for line after line. Consecutive
// lines nearly always share their date: its day is kept from the last line, and a line with the
// same date bytes and a plain time of day needs no calendar arithmetic. The day count is formed
// from the kept day as ToDayCount forms it, so the bytes are the same. Inline: it runs for every
// line of an update.
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
            std::memcpy(&m_dateTail, line.data() + 8, kDateLength - 8);
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
        std::memcpy(&tail, date + 8, kDateLength - 8);
        return head == m_dateHead && tail == m_dateTail;
    }

    // Hour, minute and second as two digits each, within a day.
    static bool PlainTimeOfDay(std::string_view line, int& secondOfDay)
    {
        if (line.size() < kTimeStampLength)
            return false;
        int parts[3];
        for (int i = 0; i < 3; ++i) {
            const char high = line[kTimeFields[3 + i].start];
            const char low = line[kTimeFields[3 + i].start + 1];
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

} // namespace dialtally
