#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace dialtally {

// The family of the emulated system, which selects the dialect of the adapter's log:
// 1 Windows 95, 2 Windows 98, 0 any other system (nothing is recognised then).
//
// It comes from, in this order: the command-line option (--system 95|98|other), the environment
// (DIALTALLY_SYSTEM, same words), the default Windows 98. An environment value that is not one
// of the words is ignored.
std::int16_t WindowsFamily();

// "95" gives 1, "98" gives 2, "other" gives 0; empty for anything else.
std::optional<std::int16_t> ParseSystemName(const QString& name);

// Takes --system (also --system=NAME) out of args and remembers it for WindowsFamily(). Stops at
// "--"; returns false with a message when the value is missing or not one of the words.
bool TakeSystemOption(QStringList& args, QString* error = nullptr);
void SetSystemOverride(std::optional<std::int16_t> family);

} // namespace dialtally
