#include "log/adapterline.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace dialtally {
namespace {

// The texts are the bytes of the adapter's OEM code page. Every non-ASCII letter is written as a
// byte escape (0x84 a-umlaut, 0x94 o-umlaut, 0x8A e-grave, 0x97 u-grave, 0xA2 o-acute, 0xA3
// u-acute) so that the encoding of this file cannot change them; a literal is split after each
// escape because a following hexadecimal letter would otherwise continue the escape.

constexpr std::size_t kMaxTextsPerEntry = 6;

struct Row {
    std::array<std::string_view, kMaxTextsPerEntry> texts{};
    std::size_t count = 0;
    std::int16_t code = 0;

    constexpr Row(std::initializer_list<std::string_view> list, std::int16_t rowCode)
        : code(rowCode)
    {
        for (std::string_view text : list)
            texts[count++] = text;
    }
};

// Windows 95 adapter, English only.
constexpr Row kWin95Rows[] = {
    {{"IPCP : Layer up."}, 11},
    {{"IPCP : Layer down."}, 12},
    {{"IPCP : Layer started."}, 13},
    {{"Remote access driver log opened."}, 1},
    {{"Remote access driver log closed."}, 2},
    {{"Remote access driver is shutting down."}, 5},
    {{"LCP : Layer up."}, 21},
    {{"LCP : Layer down."}, 22},
    {{"Bytes Received"}, 101},
    {{"Bytes Transmittted", "Bytes Transmitted"}, 102},
    {{"Frames Received"}, 103},
    {{"Frames Transmitted"}, 104},
    {{"CRC Errors"}, 121},
    {{"Timeout Errors"}, 122},
    {{"Alignment Errors"}, 123},
    {{"Overrun Errors"}, 124},
    {{"Framing Errors"}, 125},
    {{"Buffer Overrun Errors"}, 126},
    {{"Incomplete Packets"}, 127},
    {{"IPCP : Received and accepted IP address of"}, 201},
    {{"IPCP : Changing IP address from"}, 202},
    {{"IPCP : IP address is"}, 203},
};

// Windows 98 adapter: English, Finnish, Dutch, Spanish and Italian, in that order. The first row
// stops the packet dump lines, whose bytes would otherwise be read as numbers.
constexpr Row kWin98Rows[] = {
    {{"Data 00"}, 0},
    {{"IPCP : Layer up.",
      "IPCP : kerros Yl\x94"
      "s.",
      "IPCP : Laag omhoog.", "IPCP : capa arriba.", "IPCP: livello su."},
     267},
    {{"IPCP : Layer down.", "IPCP : kerros Alas.", "IPCP : Laag omlaag.", "IPCP : capa abajo.",
      "IPCP: livello gi\x97"
      "."},
     268},
    {{"IPCP : Layer started.", "IPCP : kerros Started_FIN.", "IPCP : Laag Started_DUT.",
      "IPCP : capa started.", "IPCP: livello avviato."},
     269},
    {{"Microsoft Dial Up Agapter log opened.", "Microsoft Puhelinverkkosovittimen loki avattu.",
      "Microsoft externe-toegangsadapter is geopend.",
      "Registro del adaptador de acceso telef\xA2"
      "nico a redes de Microsoft abierto.",
      "Tipo di server:"},
     257},
    {{"Microsoft Dial Up Adapter log closed.", "Microsoft Puhelinverkkosovittimen loki suljettu.",
      "Microsoft externe-toegangsadapter is gesloten.",
      "Registro del adaptador de acceso telef\xA2"
      "nico a redes de Microsoft cerrado.",
      "Chiusura del dispositivo di Accesso remoto"},
     258},
    {{"Remote access driver is shutting down.",
      "Et\x84"
      "ohjainta sammutetaan.",
      "Het stuurprogramma voor toegang op afstand is bezig met afsluiten.",
      "Cerrando controlador de acceso remoto.", "Chiusura del dispositivo di Accesso remoto"},
     261},
    {{"LCP : Layer up.",
      "LCP : kerros Yl\x94"
      "s.",
      "LCP : Laag omhoog.", "LCP : capa arriba.", "LCP: livello su."},
     277},
    {{"LCP : Layer down.", "LCP : kerros Alas.", "LCP : Laag omlaag.", "LCP : capa abajo.",
      "LCP: livello gi\x97"
      "."},
     278},
    {{"Bytes Received", "Vastaanotettuja tavuja", "Bytes ontvangen", "Bytes recibidos",
      "Byte ricevuti"},
     357},
    {{"Bytes Transmittted", "Bytes Transmitted",
      "L\x84"
      "hetettyj\x84"
      " tavuja",
      "Bytes verzonden", "Bytes transmitidos", "Byte trasmessi"},
     358},
    {{"Frames Received",
      "Kehyksi\x84"
      " vastaanotettu",
      "Frames ontvangen", "Tramas recibidas", "Frame ricevuti"},
     359},
    {{"Frames Transmitted",
      "Kehyksi\x84"
      " l\x84"
      "hetetty",
      "Frames verzonden", "Tramas transmitidas", "Frame trasmessi"},
     360},
    {{"CRC Errors", "CRC-virheit\x84", "CRC-fouten", "Errores de CRC", "Errori CRC"}, 377},
    {{"Timeout Errors", "Aikakatkaisuvirheit\x84", "Timeoutfouten", "Errores de tiempo de espera",
      "Errori di timeout"},
     378},
    {{"Alignment Errors", "Kohdistusvirheit\x84", "Uitlijningsfouten",
      "Errores de alineaci\xA2"
      "n",
      "Errori di allineamento"},
     379},
    {{"Overrun Errors", "Ylivuotovirheit\x84", "Overloopfouten", "Errores de desbordamiento",
      "Errori di sovraccarico"},
     380},
    {{"Framing Errors", "Kehysvirheit\x84", "Framefouten", "Errores de trama", "Errori di frame"},
     381},
    {{"Buffer Overrun Errors", "Puskurin ylivuotovirheit\x84", "Fouten door bufferoverloop",
      "Errores de desbordamiento de b\xA3"
      "fer",
      "Sovraccarichi buffer"},
     382},
    {{"Incomplete Packets",
      "Ep\x84"
      "t\x84"
      "ydellisi\x84"
      " paketteja",
      "Onvolledige pakketen", "Paquetes incompletos", "Pacchetti incompleti"},
     383},
    {{"IPCP : Received and accepted IP address of",
      "IPCP : Vastaanotettu ja hyv\x84"
      "ksytty kohteen",
      kDutchAcceptedText, "IPCP : direcciones IP recibidas y aceptadas de", kItalianAcceptedText},
     457},
    {{"IPCP : Changing IP address from", "IPCP : Vaihdetaan IP-osoite osoitteesta",
      "IPCP : IP-adres wijzigen van",
      "IPCP : cambiando direcci\xA2"
      "n IP de",
      "IPCP: modifica indirizzo IP da"},
     457},
    {{"IPCP : IP address is", "IPCP : IP-osoite on", "IPCP : IP-adres is",
      "IPCP : la direcci\xA2"
      "n IP es",
      "IPCP: l'indirizzo IP \x8A"},
     457},
};

static_assert(kDutchAcceptedText.substr(20, 8) == kDutchAcceptedAddress);
static_assert(kItalianAcceptedText.substr(19, 8) == kItalianAcceptedAddress);

template <std::size_t N> constexpr std::array<MessageEntry, N> MakeEntries(const Row (&rows)[N])
{
    std::array<MessageEntry, N> entries{};
    for (std::size_t i = 0; i < N; ++i)
        entries[i] = {std::span<const std::string_view>(rows[i].texts.data(), rows[i].count),
                      rows[i].code};
    return entries;
}

constexpr auto kWin95Entries = MakeEntries(kWin95Rows);
constexpr auto kWin98Entries = MakeEntries(kWin98Rows);

// Every line of an update goes through the table, so the texts are grouped (see GroupOf below)
// and only the texts of the message's group are tried.
//
// Within a group a longer text is tried before a shorter one. Two texts can only both match one
// message when one begins with the other, so this gives the table order everywhere except where
// a later text extends an earlier one: there the more specific text wins. Without it the Spanish
// "Errores de desbordamiento de b\xA3fer" (buffer overrun errors) would be taken for the earlier
// "Errores de desbordamiento" (overrun errors) and its count would overwrite the overrun count of
// the session. Identical texts keep table order: the Italian closing text stays "log closed".
//
// The first sixteen bytes of every text stand beside it as two integers with masks for the bytes
// the text has there, so that most texts are ruled out by two integer comparisons and only the
// bytes beyond the sixteenth are compared one by one.
constexpr std::size_t kHeadSize = 16;

struct Candidate {
    std::string_view text;
    std::int16_t code = 0;
    std::uint64_t head[2] = {};
    std::uint64_t mask[2] = {};
};

// The integers are built byte by byte in little-endian order, as the message's first bytes are
// loaded at run time.
static_assert(std::endian::native == std::endian::little);

constexpr Candidate MakeCandidate(std::string_view text, std::int16_t code)
{
    Candidate candidate{text, code};
    for (std::size_t i = 0; i < kHeadSize && i < text.size(); ++i) {
        const std::size_t shift = 8 * (i % 8);
        candidate.head[i / 8] |= std::uint64_t{static_cast<unsigned char>(text[i])} << shift;
        candidate.mask[i / 8] |= std::uint64_t{0xFF} << shift;
    }
    return candidate;
}

template <std::size_t N> constexpr std::size_t TextCount(const Row (&rows)[N])
{
    std::size_t total = 0;
    for (const Row& row : rows)
        total += row.count;
    return total;
}

// Texts are grouped by their first and seventh bytes: every text is at least seven bytes long, so
// a text can only match a message that has the same two bytes there. The seventh byte tells apart
// the many texts that begin "IPCP : " or "LCP : ". A message shorter than seven bytes reads a zero
// seventh byte, which no text has, so whatever shares its group is ruled out by the comparison.
constexpr std::size_t kGroupByte = 6;
constexpr std::size_t kGroups = 512;

constexpr std::size_t GroupOf(unsigned char first, unsigned char seventh)
{
    return (first * std::size_t{131} + seventh) % kGroups;
}

constexpr std::size_t GroupOf(std::string_view text)
{
    return GroupOf(static_cast<unsigned char>(text[0]),
                   static_cast<unsigned char>(text[kGroupByte]));
}

template <std::size_t Total> struct TextIndex {
    std::array<std::size_t, kGroups + 1> begin{}; // group g: candidates[begin[g] .. begin[g + 1])
    std::array<Candidate, Total> candidates{};
};

template <std::size_t Total, std::size_t N>
constexpr TextIndex<Total> MakeIndex(const Row (&rows)[N])
{
    TextIndex<Total> index;
    std::array<std::size_t, kGroups> sizes{};
    for (const Row& row : rows)
        for (std::size_t t = 0; t < row.count; ++t)
            ++sizes[GroupOf(row.texts[t])];
    for (std::size_t g = 0; g < kGroups; ++g)
        index.begin[g + 1] = index.begin[g] + sizes[g];
    std::array<std::size_t, kGroups> next{};
    for (std::size_t g = 0; g < kGroups; ++g)
        next[g] = index.begin[g];
    for (const Row& row : rows)
        for (std::size_t t = 0; t < row.count; ++t)
            index.candidates[next[GroupOf(row.texts[t])]++] = MakeCandidate(row.texts[t], row.code);
    // A stable insertion sort by falling length inside each group.
    for (std::size_t g = 0; g < kGroups; ++g)
        for (std::size_t i = index.begin[g] + 1; i < index.begin[g + 1]; ++i)
            for (std::size_t j = i; j > index.begin[g] && index.candidates[j - 1].text.size() <
                                                              index.candidates[j].text.size();
                 --j) {
                const Candidate moved = index.candidates[j];
                index.candidates[j] = index.candidates[j - 1];
                index.candidates[j - 1] = moved;
            }
    return index;
}

template <std::size_t N> constexpr bool TextsReachGroupByte(const Row (&rows)[N])
{
    for (const Row& row : rows)
        for (std::size_t t = 0; t < row.count; ++t)
            if (row.texts[t].size() <= kGroupByte || row.texts[t][kGroupByte] == '\0')
                return false;
    return true;
}
static_assert(TextsReachGroupByte(kWin95Rows) && TextsReachGroupByte(kWin98Rows),
              "every text needs the bytes it is grouped by");

constexpr auto kWin95Index = MakeIndex<TextCount(kWin95Rows)>(kWin95Rows);
constexpr auto kWin98Index = MakeIndex<TextCount(kWin98Rows)>(kWin98Rows);

template <std::size_t Total>
std::int16_t Classify(const TextIndex<Total>& index, std::string_view message)
{
    if (message.empty())
        return 0;
    // A message shorter than the head is padded with zero bytes; no text holds a zero byte, and
    // the length is compared anyway.
    std::uint64_t head[2] = {0, 0};
    std::memcpy(head, message.data(), std::min(message.size(), kHeadSize));
    const auto seventh = static_cast<unsigned char>(head[0] >> (8 * kGroupByte));
    const std::size_t group = GroupOf(static_cast<unsigned char>(message.front()), seventh);
    const std::size_t begin = index.begin[group];
    const std::size_t end = index.begin[group + 1];
    for (std::size_t i = begin; i < end; ++i) {
        const Candidate& candidate = index.candidates[i];
        if ((((head[0] ^ candidate.head[0]) & candidate.mask[0]) |
             ((head[1] ^ candidate.head[1]) & candidate.mask[1])) != 0)
            continue;
        const std::size_t size = candidate.text.size();
        if (message.size() < size)
            continue;
        if (size <= kHeadSize ||
            std::memcmp(message.data() + kHeadSize, candidate.text.data() + kHeadSize,
                        size - kHeadSize) == 0)
            return candidate.code;
    }
    return 0;
}

constexpr bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A time field counts as a number when it is digits, optionally after leading blanks (the
// adapter pads nothing, but a blank-padded " 5" is still plainly five). A field of blanks only,
// with a sign, or with anything after the digits is not a number.
std::optional<int> FieldNumber(std::string_view field)
{
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    if (i == field.size())
        return std::nullopt;
    int value = 0;
    for (; i < field.size(); ++i) {
        if (!IsDigit(field[i]))
            return std::nullopt;
        value = value * 10 + (field[i] - '0');
    }
    return value;
}

int HexDigitValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<DateTime> LineTime(std::string_view line)
{
    // The fields stand at fixed positions; the separators are not read.
    if (line.size() < kTimeStampLength)
        return std::nullopt;
    std::optional<int> values[std::size(kTimeFields)];
    for (std::size_t i = 0; i < std::size(kTimeFields); ++i) {
        values[i] = FieldNumber(line.substr(kTimeFields[i].start, kTimeFields[i].length));
        if (!values[i])
            return std::nullopt;
    }
    return MakeDateTime(*values[2], *values[0], *values[1], *values[3], *values[4], *values[5]);
}

bool TimeFieldsAreNumbers(std::string_view line)
{
    if (line.size() < kTimeStampLength)
        return false;
    for (const TimeField& field : kTimeFields) {
        if (!FieldNumber(line.substr(field.start, field.length)))
            return false;
    }
    return true;
}

std::string_view MessageText(std::string_view line)
{
    // The separating dash comes after the time stamp; dashes inside the date are not it.
    constexpr std::size_t kFirstSeparatorIndex = 23;
    if (line.size() > kFirstSeparatorIndex) {
        const std::size_t dash = line.find('-', kFirstSeparatorIndex);
        if (dash != std::string_view::npos)
            line.remove_prefix(dash + 1);
    }
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return line.substr(line.size());
    const std::size_t last = line.find_last_not_of(' ');
    return line.substr(first, last - first + 1);
}

std::int16_t ClassifyMessage(std::string_view message, Dialect dialect)
{
    switch (dialect) {
    case Dialect::Windows95:
        return Classify(kWin95Index, message);
    case Dialect::Windows98:
        return Classify(kWin98Index, message);
    case Dialect::Other:
        break;
    }
    return 0;
}

std::int32_t DecimalValue(std::string_view line)
{
    std::size_t end = line.size();
    while (end > 0 && !IsDigit(line[end - 1]))
        --end;
    std::size_t begin = end;
    while (begin > 0 && IsDigit(line[begin - 1]))
        --begin;
    // Leading zeros do not make a number too big; at most ten significant digits can fit.
    while (begin < end && line[begin] == '0')
        ++begin;
    if (end - begin > 10)
        return 0;
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i)
        value = value * 10 + (line[i] - '0');
    if (value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(value);
}

std::int32_t HexValue(std::string_view line)
{
    if (line.ends_with('.'))
        line.remove_suffix(1);
    const std::size_t blank = line.rfind(' ');
    std::string_view word = blank == std::string_view::npos ? line : line.substr(blank + 1);
    if (word.empty())
        return 0;
    // Leading zeros are not significant: "0C0A80101" is still the 32-bit address C0A80101.
    std::uint32_t pattern = 0;
    int significant = 0;
    for (char c : word) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return 0;
        if (significant == 0 && digit == 0)
            continue;
        if (++significant > 8)
            return 0;
        pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
    }
    // Addresses from 80000000 up come out negative, as the session log stores them.
    return static_cast<std::int32_t>(pattern);
}

std::span<const MessageEntry> MessageTable(Dialect dialect)
{
    switch (dialect) {
    case Dialect::Windows95:
        return kWin95Entries;
    case Dialect::Windows98:
        return kWin98Entries;
    case Dialect::Other:
        break;
    }
    return {};
}

} // namespace dialtally
