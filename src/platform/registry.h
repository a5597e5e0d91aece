#pragma once

#include "platform/regedit4.h"

#include <QString>
#include <cstdint>

namespace dialtally {

// The system registry of the emulated system: one text file in the REGEDIT4 format
// (platform/regedit4.h), "SYSTEM.REG" in the Windows folder. These calls stand in for the
// system's key calls (open, query, set, close) and answer with its status numbers.
//
// Every call reads the file anew. A missing or damaged file holds no key. A write replaces the
// file atomically (a crash leaves the old or the new file, never a torn one), changes only the
// value written and keeps every other byte; writers take turns under a lock on the file. A
// damaged file is never written.

enum class RegistryStatus : std::int32_t {
    Success = 0,
    NotFound = 2,         // no such key or value; also a missing or damaged file
    AccessDenied = 5,     // the file cannot be read, or cannot be written for a key opened to write
    InvalidHandle = 6,    // the key is not open
    InvalidParameter = 87 // a value that the file cannot hold
};

// Access rights asked for when a key is opened, the system's bits.
inline constexpr std::uint32_t kKeyQueryValue = 0x01;
inline constexpr std::uint32_t kKeySetValue = 0x02;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x04;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x08;
inline constexpr std::uint32_t kKeyNotify = 0x10;
inline constexpr std::uint32_t kKeyCreateLink = 0x20;

// "SYSTEM.REG" in the Windows folder.
QString SystemRegistryFile(const QString& windowsDir);

// An open key: the file, the key's path from its root ("HKEY_LOCAL_MACHINE\System\...") and the
// rights it was opened with.
struct RegistryKey {
    QString file;
    QString path;
    std::uint32_t access = 0;

    bool IsOpen() const { return !file.isEmpty(); }
};

// Opens the key at path (root included) in the registry file. Rights that change the registry are
// refused (AccessDenied) when the file cannot be replaced: it or its folder is not writable, or
// it is marked read-only (no write permission for its owner), as the system refuses them on a
// read-only file. key is left closed on failure.
RegistryStatus OpenRegistryKey(const QString& file, const QString& path, std::uint32_t access,
                               RegistryKey& key);
RegistryStatus QueryRegistryValue(const RegistryKey& key, const QString& name,
                                  RegistryValue& value);
RegistryStatus SetRegistryValue(const RegistryKey& key, const QString& name,
                                const RegistryValue& value);
RegistryStatus CloseRegistryKey(RegistryKey& key);

} // namespace dialtally
