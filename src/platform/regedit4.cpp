#include "platform/regedit4.h"

#include <QString>
#include <QtEndian>
#include <array>

namespace dialtally {
namespace {

constexpr std::array<const char*, 6> kRoots = {
    "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",   "HKEY_CLASSES_ROOT",
    "HKEY_USERS",         "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

bool SameName(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() &&
           QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A key path: a root, then names separated by single backslashes.
bool IsKeyPath(QByteArrayView key)
{
    const qsizetype slash = key.indexOf('\\');
    const QByteArrayView root = slash < 0 ? key : key.first(slash);
    bool known = false;
    for (const char* name : kRoots)
        known = known || SameName(root, QByteArrayView(name));
    return known && !key.endsWith('\\') && !key.contains("\\\\");
}

// Reads the text line by line; within a line, byte by byte. Positions are offsets in the text.
class Reader {
public:
    explicit Reader(QByteArrayView text) : m_text(text) {}

    bool Parse(RegistryText& parsed)
    {
        if (m_text.contains('\0'))
            return false;
        NextLine();
        if (m_text.first(m_contentEnd).trimmed() != "REGEDIT4")
            return false;
        // A file of the header alone gets the line breaks of the registry editor.
        const bool bareLineFeed = m_lineEnd - m_contentEnd == 1 && m_text[m_contentEnd] == '\n';
        parsed.lineBreak = bareLineFeed ? "\n" : "\r\n";
        while (NextLine()) {
            SkipBlanks();
            if (AtContentEnd() || Peek() == ';')
                continue;
            if (Peek() == '[') {
                if (!ReadSection(parsed))
                    return false;
            } else if (Peek() == '"' || Peek() == '@') {
                if (parsed.sections.empty() || !ReadEntry(parsed.sections.back()))
                    return false;
            } else {
                return false;
            }
        }
        return true;
    }

private:
    // Moves to the next line; false at the end of the text.
    bool NextLine()
    {
        if (m_started && m_lineEnd >= m_text.size())
            return false;
        m_lineBegin = m_started ? m_lineEnd : 0;
        m_started = true;
        const qsizetype newline = m_text.indexOf('\n', m_lineBegin);
        m_lineEnd = newline < 0 ? m_text.size() : newline + 1;
        m_contentEnd = newline < 0 ? m_text.size() : newline;
        if (m_contentEnd > m_lineBegin && m_text[m_contentEnd - 1] == '\r')
            --m_contentEnd;
        m_pos = m_lineBegin;
        return true;
    }

    bool AtContentEnd() const { return m_pos >= m_contentEnd; }
    char Peek() const { return m_text[m_pos]; }
    void SkipBlanks()
    {
        while (!AtContentEnd() && IsBlank(Peek()))
            ++m_pos;
    }
    bool Take(char c)
    {
        if (AtContentEnd() || Peek() != c)
            return false;
        ++m_pos;
        return true;
    }
    bool TakeWord(QByteArrayView word)
    {
        if (m_contentEnd - m_pos < word.size() ||
            !SameName(m_text.sliced(m_pos, word.size()), word))
            return false;
        m_pos += word.size();
        return true;
    }
    bool RestIsBlank()
    {
        SkipBlanks();
        return AtContentEnd();
    }

    bool ReadSection(RegistryText& parsed)
    {
        const QByteArrayView content = m_text.sliced(m_pos + 1, m_contentEnd - m_pos - 1);
        const qsizetype close = content.lastIndexOf(']');
        if (close < 0)
            return false;
        for (char c : content.sliced(close + 1)) {
            if (!IsBlank(c))
                return false;
        }
        const QByteArrayView key = content.first(close);
        if (!IsKeyPath(key))
            return false;
        parsed.sections.push_back({key.toByteArray(), m_lineEnd, {}});
        return true;
    }

    // A double-quoted text on the current line with "\\" and "\"" escaped.
    bool ReadQuoted(QByteArray& text)
    {
        if (!Take('"'))
            return false;
        while (!AtContentEnd()) {
            char c = Peek();
            ++m_pos;
            if (c == '"')
                return true;
            if (c == '\\') {
                if (AtContentEnd() || (Peek() != '\\' && Peek() != '"'))
                    return false;
                c = Peek();
                ++m_pos;
            }
            text += c;
        }
        return false;
    }

    bool ReadHexDigits(int maxDigits, std::uint32_t& number)
    {
        number = 0;
        int digits = 0;
        while (!AtContentEnd() && HexDigit(Peek()) >= 0 && digits < maxDigits) {
            number = number * 16 + static_cast<std::uint32_t>(HexDigit(Peek()));
            ++m_pos;
            ++digits;
        }
        return digits > 0 && (AtContentEnd() || HexDigit(Peek()) < 0);
    }

    // "01,02,\" and continuation lines; ends after the last byte.
    bool ReadHexBytes(QByteArray& bytes, qsizetype& dataEnd)
    {
        SkipBlanks();
        dataEnd = m_pos;
        if (AtContentEnd())
            return true;
        for (;;) {
            std::uint32_t byte = 0;
            const qsizetype start = m_pos;
            if (!ReadHexDigits(2, byte) || m_pos - start != 2)
                return false;
            bytes += static_cast<char>(byte);
            dataEnd = m_pos;
            SkipBlanks();
            if (AtContentEnd())
                return true;
            if (!Take(','))
                return false;
            SkipBlanks();
            if (Take('\\')) {
                if (!RestIsBlank() || !NextLine())
                    return false;
                SkipBlanks();
            }
        }
    }

    bool ReadData(RegistryEntry& entry)
    {
        entry.dataBegin = m_pos;
        if (!AtContentEnd() && Peek() == '"') {
            QByteArray text;
            if (!ReadQuoted(text))
                return false;
            entry.value = RegistryValue::String(text);
            entry.dataEnd = m_pos;
            return true;
        }
        if (TakeWord("dword:")) {
            std::uint32_t number = 0;
            if (!ReadHexDigits(8, number))
                return false;
            entry.value = RegistryValue::Number(number);
            entry.dataEnd = m_pos;
            return true;
        }
        if (!TakeWord("hex"))
            return false;
        std::uint32_t type = static_cast<std::uint32_t>(RegistryType::Binary);
        if (Take('(') && (!ReadHexDigits(8, type) || !Take(')')))
            return false;
        if (!Take(':'))
            return false;
        entry.value.type = static_cast<RegistryType>(type);
        return ReadHexBytes(entry.value.data, entry.dataEnd);
    }

    bool ReadEntry(RegistrySection& section)
    {
        RegistryEntry entry;
        if (!Take('@') && !ReadQuoted(entry.name))
            return false;
        SkipBlanks();
        if (!Take('='))
            return false;
        SkipBlanks();
        if (!ReadData(entry) || !RestIsBlank())
            return false;
        section.entries.push_back(std::move(entry));
        section.bodyEnd = m_lineEnd;
        return true;
    }

    QByteArrayView m_text;
    bool m_started = false;
    qsizetype m_lineBegin = 0;
    qsizetype m_lineEnd = 0;    // after the line break
    qsizetype m_contentEnd = 0; // before "\r\n" or "\n"
    qsizetype m_pos = 0;
};

QByteArray Escaped(QByteArrayView text)
{
    QByteArray escaped;
    for (char c : text) {
        if (c == '\\' || c == '"')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::optional<QByteArray> DataText(const RegistryValue& value)
{
    if (value.type == RegistryType::Number && value.data.size() == 4)
        return "dword:" + QByteArray::number(qFromLittleEndian<quint32>(value.data.constData()), 16)
                              .rightJustified(8, '0');
    if (value.type != RegistryType::String)
        return std::nullopt;
    QByteArrayView text = value.data;
    if (text.endsWith('\0'))
        text.chop(1);
    if (text.contains('\0') || text.contains('\r') || text.contains('\n'))
        return std::nullopt;
    return '"' + Escaped(text) + '"';
}

QByteArray NameText(QByteArrayView name)
{
    return name.isEmpty() ? QByteArray("@") : '"' + Escaped(name) + '"';
}

} // namespace

RegistryValue RegistryValue::String(QByteArrayView text)
{
    return {RegistryType::String, text.toByteArray() + '\0'};
}

RegistryValue RegistryValue::Number(std::uint32_t number)
{
    QByteArray data(4, '\0');
    qToLittleEndian<quint32>(number, data.data());
    return {RegistryType::Number, data};
}

std::optional<RegistryText> ParseRegistryText(QByteArrayView text)
{
    RegistryText parsed;
    if (!Reader(text).Parse(parsed))
        return std::nullopt;
    return parsed;
}

bool RegistryKeyExists(const RegistryText& parsed, QByteArrayView key)
{
    for (const RegistrySection& section : parsed.sections) {
        if (SameName(section.key, key) ||
            (section.key.size() > key.size() && section.key[key.size()] == '\\' &&
             SameName(QByteArrayView(section.key).first(key.size()), key)))
            return true;
    }
    return false;
}

namespace {

// The entry that counts for the value (the last one named so), or none.
const RegistryEntry* FindEntry(const RegistryText& parsed, QByteArrayView key, QByteArrayView name)
{
    const RegistryEntry* found = nullptr;
    for (const RegistrySection& section : parsed.sections) {
        if (!SameName(section.key, key))
            continue;
        for (const RegistryEntry& entry : section.entries) {
            if (SameName(entry.name, name))
                found = &entry;
        }
    }
    return found;
}

} // namespace

std::optional<RegistryValue> FindRegistryValue(const RegistryText& parsed, QByteArrayView key,
                                               QByteArrayView name)
{
    if (const RegistryEntry* entry = FindEntry(parsed, key, name))
        return entry->value;
    return std::nullopt;
}

std::optional<QByteArray> WithRegistryValue(QByteArrayView text, const RegistryText& parsed,
                                            QByteArrayView key, QByteArrayView name,
                                            const RegistryValue& value)
{
    const std::optional<QByteArray> data = DataText(value);
    if (!data)
        return std::nullopt;
    QByteArray edited = text.toByteArray();
    if (const RegistryEntry* entry = FindEntry(parsed, key, name)) {
        edited.replace(entry->dataBegin, entry->dataEnd - entry->dataBegin, *data);
        return edited;
    }
    const QByteArray& lineBreak = parsed.lineBreak;
    const QByteArray line = NameText(name) + '=' + *data;
    const RegistrySection* last = nullptr;
    for (const RegistrySection& section : parsed.sections) {
        if (SameName(section.key, key))
            last = &section;
    }
    // The last line of the file may lack its line break, or half of it: a carriage return.
    const bool endsOpen = !text.isEmpty() && !text.endsWith('\n');
    const QByteArray closing = text.endsWith('\r') ? QByteArray("\n") : lineBreak;
    if (last) {
        if (last->bodyEnd == text.size() && endsOpen)
            edited.insert(last->bodyEnd, closing + line);
        else
            edited.insert(last->bodyEnd, line + lineBreak);
        return edited;
    }
    if (endsOpen)
        edited += closing;
    edited += lineBreak + '[' + key.toByteArray() + ']' + lineBreak + line + lineBreak;
    return edited;
}

} // namespace dialtally
