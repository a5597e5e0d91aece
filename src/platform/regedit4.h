#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>
#include <vector>

namespace dialtally {

// The text of a registry file in the REGEDIT4 format that the system's registry editor exports:
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Net\0000]
//   "DeviceVxDs"="pppmac.vxd"
//   "Logging"="1"
//   "Count"=dword:0000000a
//   "Data"=hex:01,02,03
//   @="the key's default value"
//
// Data in bytes ("hex:" or "hex(type):") goes on in the next line after a line ending in ",\".
// The text is bytes in the system's code page. Names and strings escape a backslash and a double
// quote with a backslash; lines end in CR LF or LF; a line starting with ";" is a comment. Key and
// value names compare without regard to case; data compares exactly. A key that heads several
// sections holds the values of all of them, and of a value named twice the later one counts, as an
// import of the file would leave them.

// The value types of the system's registry; "hex(N):" data carries type N.
enum class RegistryType : std::uint32_t { String = 1, Binary = 3, Number = 4 };

struct RegistryValue {
    RegistryType type = RegistryType::String;
    // A string with its terminating zero, a number as 4 bytes with the least significant first,
    // other types their bytes, as the system hands them over.
    QByteArray data;

    static RegistryValue String(QByteArrayView text);
    static RegistryValue Number(std::uint32_t number);

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

// One value line (with its continuation lines) of the text.
struct RegistryEntry {
    QByteArray name; // unescaped; empty for the default value "@"
    RegistryValue value;
    qsizetype dataBegin = 0; // the data as written, after "=": [dataBegin, dataEnd)
    qsizetype dataEnd = 0;
};

struct RegistrySection {
    QByteArray key; // the key path as written between the brackets
    // Where a value added to this section goes: just after its header or its last value line.
    qsizetype bodyEnd = 0;
    std::vector<RegistryEntry> entries;
};

struct RegistryText {
    std::vector<RegistrySection> sections;
    QByteArray lineBreak; // as the header line ends: "\r\n" or "\n"
};

// None when text is not a well-formed REGEDIT4 file: a damaged file holds no key.
std::optional<RegistryText> ParseRegistryText(QByteArrayView text);

// A key exists when a section names it or a key below it.
bool RegistryKeyExists(const RegistryText& parsed, QByteArrayView key);
std::optional<RegistryValue> FindRegistryValue(const RegistryText& parsed, QByteArrayView key,
                                               QByteArrayView name);

// The text with value set: the data of the value that counts is written over, or a new value line
// goes after the last value of the key's last section (a new section at the end when the key has
// none of its own). Every other byte stays as it was. None when the format cannot hold the value:
// only strings without a zero or a line break inside, and numbers of 4 bytes, are written.
std::optional<QByteArray> WithRegistryValue(QByteArrayView text, const RegistryText& parsed,
                                            QByteArrayView key, QByteArrayView name,
                                            const RegistryValue& value);

} // namespace dialtally
