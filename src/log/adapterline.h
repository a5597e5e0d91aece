#pragma once

#include "log/datetime.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace dialtally {

// A line of the dial-up adapter's diagnostic log, as the bytes the adapter wrote in its OEM code
// page (850 or 437), for example "12-16-1998 10:14:40.33 - Remote access driver log opened.".
// Everything here works on byte views and allocates nothing: it runs for every line of an update.

// The time stamp at the fixed positions of the line (month, day, year, hour, minute, second;
// hundredths dropped), with calendar rollover. Empty when a field is not a number or the date is
// not usable; the update skips such a line.
std::optional<DateTime> LineTime(std::string_view line);

// What follows the first "-" at or after the 24th character, or the whole line when there is
// none; leading and trailing blanks removed. A view into line.
std::string_view MessageText(std::string_view line);

// Dialect 1: the Windows 95 adapter (English); dialect 2: the Windows 98 adapter (English,
// Finnish, Dutch, Spanish, Italian). The first table entry whose text begins the message gives the
// event code, except that a later text extending a matching earlier one is the more specific
// match and wins; 0 when none matches or for any other dialect. Texts are compared byte for byte.
std::int16_t ClassifyMessage(std::string_view message, int dialect);

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
std::span<const MessageEntry> MessageTable(int dialect);

} // namespace dialtally
