#include "log/loggerplace.h"

#include "log/numberword.h"
#include "log/writeall.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace dialtally {
namespace {

const char kPositionHeader[] = "dtallywr position 1";
// A position file is a few hundred bytes; anything much larger is not one.
constexpr std::size_t kMaxPositionFile = 4096;

std::string HexText(const std::string& bytes)
{
    if (bytes.empty())
        return "-";
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char c : bytes) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

std::optional<std::string> FromHex(const std::string& text)
{
    if (text == "-")
        return std::string();
    if (text.size() % 2 != 0 || text.size() > 2 * kPlaceTailBytes)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || end != text.data() + i + 2)
            return std::nullopt;
        bytes += static_cast<char>(value);
    }
    return bytes;
}

bool ReadPlace(std::istringstream& in, SourcePlace& place)
{
    std::string tail;
    if (!ReadNumber(in, place.device) || !ReadNumber(in, place.inode) ||
        !ReadNumber(in, place.offset) || place.offset < 0 || !(in >> tail))
        return false;
    const auto bytes = FromHex(tail);
    if (!bytes)
        return false;
    place.tail = *bytes;
    return true;
}

// " ledger N" after the batch's place, when the batch appends to the ledger.
bool ReadLedgerLength(std::istringstream& in, off_t& length)
{
    std::string word;
    if (!(in >> word))
        return true;
    return word == "ledger" && ReadNumber(in, length) && length >= 0;
}

std::string PlaceText(const SourcePlace& place)
{
    return std::to_string(place.device) + ' ' + std::to_string(place.inode) + ' ' +
           std::to_string(place.offset) + ' ' + HexText(place.tail);
}

bool ReadWholeSmallFile(const std::string& path, std::string& text, bool& missing)
{
    missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        return false;
    }
    text.resize(kMaxPositionFile + 1);
    std::size_t size = 0;
    for (;;) {
        const ssize_t n = ::read(fd, text.data() + size, text.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            text.resize(size);
            return n == 0;
        }
        size += static_cast<std::size_t>(n);
        if (size == text.size()) {
            ::close(fd);
            text.resize(size);
            return true;
        }
    }
}

void SetText(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

} // namespace

std::optional<LoggerPosition> ReadLoggerPosition(const std::string& path, std::string* error)
{
    std::string text;
    bool missing = false;
    if (!ReadWholeSmallFile(path, text, missing)) {
        if (!missing)
            SetText(error, "cannot read \"" + path + "\": " + std::strerror(errno));
        return std::nullopt;
    }
    std::istringstream in(text);
    std::string line;
    LoggerPosition position;
    bool hasSource = false;
    bool valid =
        text.size() <= kMaxPositionFile && std::getline(in, line) && line == kPositionHeader;
    while (valid && std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "source" && !hasSource) {
            valid = ReadPlace(fields, position.source);
            hasSource = true;
        } else if (kind == "batch" && !position.batch) {
            UnconfirmedBatch batch;
            valid = ReadNumber(fields, batch.device) && ReadNumber(fields, batch.inode) &&
                    ReadNumber(fields, batch.lengthBefore) && batch.lengthBefore >= 0 &&
                    ReadPlace(fields, batch.after) && ReadLedgerLength(fields, batch.ledgerBefore);
            position.batch = batch;
        } else {
            valid = kind.empty();
        }
        std::string rest;
        if (valid && (fields >> rest))
            valid = false;
    }
    if (!valid || !hasSource) {
        SetText(error, "\"" + path + "\" does not hold a logger position");
        return std::nullopt;
    }
    return position;
}

bool WriteLoggerPosition(const std::string& path, const LoggerPosition& position)
{
    std::string text =
        std::string(kPositionHeader) + "\nsource " + PlaceText(position.source) + '\n';
    if (position.batch) {
        const UnconfirmedBatch& batch = *position.batch;
        text += "batch " + std::to_string(batch.device) + ' ' + std::to_string(batch.inode) + ' ' +
                std::to_string(batch.lengthBefore) + ' ' + PlaceText(batch.after);
        if (batch.ledgerBefore >= 0)
            text += " ledger " + std::to_string(batch.ledgerBefore);
        text += '\n';
    }
    // Not forced to disk: it is written after every batch, and a killed logger, which the kept
    // place is for, leaves what it wrote in the system's cache.
    return ReplaceSmallFile(path, text, false);
}

} // namespace dialtally
