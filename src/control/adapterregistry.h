#pragma once

#include "platform/registry.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <variant>

namespace dialtally {

// The dial-up adapter's key in the system registry (the registry file of platform/registry.h) and
// its diagnostic logging option, the string value "Logging": "1" on, "0" off.

// A value as the routines below hand it over: a string with its terminating zero, or a 32-bit
// number.
using RegValue = std::variant<QByteArray, std::uint32_t>;
enum class RegValueType : std::uint32_t { String = 1, Number = 4 };

// The routines return the status of the registry call: 0 success, -1 a value of another type or an
// error, else the system's status number. Key paths are under HKEY_LOCAL_MACHINE.

// Strings come with their terminating zero; numbers as they are; other types give -1.
long RegQueryValue(const RegistryKey& key, const QString& name, RegValue& value);
// A string is written as its text and a terminating zero, a number as 4 bytes.
long RegSetValue(const RegistryKey& key, const QString& name, RegValueType type,
                 const RegValue& value);
// Open the key, query or set the value, close the key.
long RegReadValue(const QString& registryFile, const QString& keyPath, const QString& name,
                  RegValue& value);
long RegWriteValue(const QString& registryFile, const QString& keyPath, const QString& name,
                   const RegValue& value, RegValueType type);

// The key holds a value named first, and a value named second whose text with its terminating
// zero is expected and one zero: "PPPMAC.VXD" is not "pppmac.vxd".
bool AdapterKeyMatches(const QString& registryFile, const QString& key, const QString& first,
                       const QString& second, const QByteArray& expected);
// The first of the network class keys 0000 to 0009 that is the dial-up adapter's; "" when none.
QString FindAdapterKey(const QString& registryFile);
// Writes "1" or "0" to the adapter's "Logging"; false when no adapter is found or the write fails.
bool SetAdapterLogging(const QString& registryFile, bool on);
// The value as a number the way the option is read: a number as it is, a string by its leading
// decimal number (0 when it has none).
double RegValueNumber(const RegValue& value);

} // namespace dialtally
