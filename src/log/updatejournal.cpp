#include "log/updatejournal.h"

#include "log/numberword.h"
#include "log/writeall.h"
#include "platform/files.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace dialtally {
namespace {

const char kHeader[] = "dialtally update journal 1";
constexpr std::size_t kMaxJournal = 8192;

std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char c : bytes) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

bool FromHex(const std::string& text, std::string& bytes)
{
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || end != text.data() + i + 2)
            return false;
        bytes += static_cast<char>(value);
    }
    return true;
}

bool ReadAll(const std::string& path, std::string& text, int& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    // One byte more than a journal can hold tells a file that is too long.
    text.assign(kMaxJournal + 1, '\0');
    std::size_t size = 0;
    error = 0;
    while (size < text.size()) {
        const ssize_t n = ::read(fd, text.data() + size, text.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(size);
    return error == 0;
}

std::optional<UpdateJournal> Parse(const std::string& text)
{
    std::istringstream in(text);
    std::string header, logLine, pathLine, rest;
    if (text.size() > kMaxJournal || !std::getline(in, header) || header != kHeader ||
        !std::getline(in, logLine) || !std::getline(in, pathLine) || (in >> rest))
        return std::nullopt;
    UpdateJournal journal;
    std::istringstream log(logLine), path(pathLine);
    std::string word, hex, extra;
    if (!(log >> word) || word != "log" || !ReadNumber(log, journal.device) ||
        !ReadNumber(log, journal.inode) || !ReadNumber(log, journal.length) || journal.length < 0 ||
        (log >> extra))
        return std::nullopt;
    if (!(path >> word) || word != "path" || !(path >> hex) || (path >> extra) ||
        !FromHex(hex, journal.logPath) || journal.logPath.empty())
        return std::nullopt;
    return journal;
}

} // namespace

std::optional<UpdateJournal> ReadUpdateJournal(const std::string& path, bool* damaged,
                                               std::string* error)
{
    *damaged = false;
    std::string text;
    int readError = 0;
    if (!ReadAll(path, text, readError)) {
        if (readError == ENOENT)
            return std::nullopt;
        *damaged = true;
        if (error)
            *error = std::strerror(readError);
        return std::nullopt;
    }
    std::optional<UpdateJournal> journal = Parse(text);
    if (!journal) {
        *damaged = true;
        if (error)
            *error = "it does not hold a session log and its length";
    }
    return journal;
}

bool WriteUpdateJournal(const std::string& path, const UpdateJournal& journal)
{
    const std::string text = std::string(kHeader) + "\nlog " + std::to_string(journal.device) +
                             ' ' + std::to_string(journal.inode) + ' ' +
                             std::to_string(journal.length) + "\npath " + Hex(journal.logPath) +
                             '\n';
    // On disk before the data file is renamed: after a power failure a work file without its
    // journal could not be told from one that was never started.
    return ReplaceSmallFile(path, text, true);
}

} // namespace dialtally
