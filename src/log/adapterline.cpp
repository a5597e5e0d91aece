#include "log/adapterline.h"

namespace dialtally {

std::optional<DateTime> LineTime(std::string_view) { return std::nullopt; }
std::string_view MessageText(std::string_view line) { return line; }
std::int16_t ClassifyMessage(std::string_view, int) { return 0; }
std::int32_t DecimalValue(std::string_view) { return 0; }
std::int32_t HexValue(std::string_view) { return 0; }
std::span<const MessageEntry> MessageTable(int) { return {}; }

} // namespace dialtally
