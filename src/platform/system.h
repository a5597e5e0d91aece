#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace dialtally {

// The family of the emulated system, which selects the dialect of the adapter's log: the Windows
// 95 adapter's English texts, the Windows 98 adapter's texts in five languages, or none.
enum class Dialect : std::int16_t { Other = 0, Windows95 = 1, Windows98 = 2 };

// "95", "98" and "other"; empty for anything else.
std::optional<Dialect> ParseSystemName(const QString& name);

} // namespace dialtally
