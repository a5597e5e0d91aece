// The registry file's reader over arbitrary text, and a write into whatever it read: the written
// text must read again, hold the value written, keep every other value, and differ from the
// original only in the data of that value (or by the one line or section added for it).
//
// Input: a mode byte (bit 0: write to a key that the text has, bit 1: to a value it has, bit 2: a
// number rather than a string, bit 3: a string with a quote and a backslash, bit 4: a string with
// a line break, which the format cannot hold), a byte that picks the key and the value, four bytes
// of the number, then the text.

#include "fuzzsupport.h"
#include "platform/regedit4.h"

#include <QString>

using namespace dialtally;

namespace {

bool Same(QByteArrayView a, QByteArrayView b)
{
    return QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0;
}

// Only the letters a to z change case, so that the name stays the same name.
QByteArray FlipAsciiCase(QByteArrayView text)
{
    QByteArray flipped = text.toByteArray();
    for (char& c : flipped) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return flipped;
}

void CheckPositions(const RegistryText& parsed, qsizetype size)
{
    for (const RegistrySection& section : parsed.sections) {
        FUZZ_CHECK(section.bodyEnd >= 0 && section.bodyEnd <= size);
        for (const RegistryEntry& entry : section.entries) {
            FUZZ_CHECK(entry.dataBegin >= 0 && entry.dataBegin <= entry.dataEnd);
            FUZZ_CHECK(entry.dataEnd <= section.bodyEnd);
        }
    }
}

void CheckLookups(const RegistryText& parsed)
{
    for (const RegistrySection& section : parsed.sections) {
        FUZZ_CHECK(RegistryKeyExists(parsed, FlipAsciiCase(section.key)));
        for (const RegistryEntry& entry : section.entries) {
            const auto found = FindRegistryValue(parsed, section.key, entry.name);
            FUZZ_CHECK(found);
            FUZZ_CHECK(FindRegistryValue(parsed, FlipAsciiCase(section.key),
                                         FlipAsciiCase(entry.name)) == found);
        }
    }
}

RegistryValue ValueToWrite(std::uint8_t mode, std::uint32_t number)
{
    if (mode & 4)
        return RegistryValue::Number(number);
    QByteArray text = QByteArray::number(number);
    if (mode & 8)
        text += "\"C:\\WINDOWS\\\"";
    if (mode & 16)
        text += "\r\n";
    return RegistryValue::String(text);
}

bool Holdable(const RegistryValue& value)
{
    return value.type == RegistryType::Number || !value.data.contains('\n');
}

void CheckWrite(QByteArrayView text, const RegistryText& parsed, std::uint8_t mode,
                std::uint8_t pick, std::uint32_t number)
{
    QByteArray key = "HKEY_LOCAL_MACHINE\\Fuzz\\Key";
    QByteArray name = "Fuzz" + QByteArray::number(pick);
    const RegistryEntry* counted = nullptr;
    if ((mode & 1) && !parsed.sections.empty()) {
        const RegistrySection& section = parsed.sections[pick % parsed.sections.size()];
        key = section.key;
        if ((mode & 2) && !section.entries.empty())
            name = section.entries[pick % section.entries.size()].name;
    }
    for (const RegistrySection& section : parsed.sections) {
        if (!Same(section.key, key))
            continue;
        for (const RegistryEntry& entry : section.entries) {
            if (Same(entry.name, name))
                counted = &entry;
        }
    }

    const RegistryValue value = ValueToWrite(mode, number);
    const std::optional<QByteArray> edited = WithRegistryValue(text, parsed, key, name, value);
    FUZZ_CHECK(edited.has_value() == Holdable(value));
    if (!edited)
        return;
    const std::optional<RegistryText> again = ParseRegistryText(*edited);
    FUZZ_CHECK(again);
    FUZZ_CHECK(FindRegistryValue(*again, key, name) == value);
    for (const RegistrySection& section : parsed.sections) {
        for (const RegistryEntry& entry : section.entries) {
            if (!(Same(section.key, key) && Same(entry.name, name)))
                FUZZ_CHECK(FindRegistryValue(*again, section.key, entry.name) ==
                           FindRegistryValue(parsed, section.key, entry.name));
        }
    }

    // The bytes that changed lie in the data of the value written; a new value only adds.
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(text.size(), edited->size());
    while (prefix < shorter && text[prefix] == (*edited)[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           text[text.size() - 1 - suffix] == (*edited)[edited->size() - 1 - suffix])
        ++suffix;
    const qsizetype changedEnd = text.size() - suffix;
    if (*edited == text)
        FUZZ_CHECK(counted && FindRegistryValue(parsed, key, name) == value);
    else if (counted)
        FUZZ_CHECK(prefix >= counted->dataBegin && changedEnd <= counted->dataEnd);
    else
        FUZZ_CHECK(changedEnd == prefix);

    // The same write again changes nothing.
    const std::optional<QByteArray> twice = WithRegistryValue(*edited, *again, key, name, value);
    FUZZ_CHECK(twice == edited);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const auto mode = input.Take<std::uint8_t>();
    const auto pick = input.Take<std::uint8_t>();
    const auto number = input.Take<std::uint32_t>();
    const std::string_view rest = input.Rest();
    const QByteArrayView text(rest.data(), static_cast<qsizetype>(rest.size()));

    const std::optional<RegistryText> parsed = ParseRegistryText(text);
    if (!parsed)
        return 0;
    CheckPositions(*parsed, text.size());
    CheckLookups(*parsed);
    CheckWrite(text, *parsed, mode, pick, number);
    return 0;
}
