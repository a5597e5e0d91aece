#include "log/ledger.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dialtally {
namespace {

// "YYYY-MM-DDThh:mm:ss"
constexpr std::size_t kTimeLength = 19;

std::optional<DateTime> ParseTime(std::string_view text)
{
    if (text.size() != kTimeLength || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    int fields[6];
    const std::size_t starts[6] = {0, 5, 8, 11, 14, 17};
    const std::size_t lengths[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i) {
        const char* first = text.data() + starts[i];
        const auto [end, ec] = std::from_chars(first, first + lengths[i], fields[i]);
        if (ec != std::errc() || end != first + lengths[i])
            return std::nullopt;
    }
    const std::optional<DateTime> time =
        MakeDateTime(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
    // Only the one spelling of each time is an entry.
    if (!time || FormatIsoDateTime(*time, 'T') != text)
        return std::nullopt;
    return time;
}

} // namespace

std::string LedgerLine(const LedgerEntry& entry)
{
    return std::to_string(entry.pid) + ' ' + FormatIsoDateTime(entry.up, 'T') + ' ' +
           FormatIsoDateTime(entry.down, 'T') + '\n';
}

std::optional<LedgerEntry> ParseLedgerLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    LedgerEntry entry;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), entry.pid);
    const auto pidLength = static_cast<std::size_t>(end - line.data());
    if (ec != std::errc() || entry.pid < 0 || line.size() != pidLength + 2 + 2 * kTimeLength ||
        line[pidLength] != ' ' || line[pidLength + 1 + kTimeLength] != ' ')
        return std::nullopt;
    const auto up = ParseTime(line.substr(pidLength + 1, kTimeLength));
    const auto down = ParseTime(line.substr(pidLength + 2 + kTimeLength));
    if (!up || !down)
        return std::nullopt;
    entry.up = *up;
    entry.down = *down;
    return entry;
}

bool SameConnection(const LedgerEntry& a, const LedgerEntry& b)
{
    if (a.pid != b.pid && a.pid != 0 && b.pid != 0)
        return false;
    // Spans that only touch belong to two connections: pppd ended one where it began the next.
    // The same end is the same connection: a connection rebuilt from its closing lines ends at
    // the very line that ended it when its start was read.
    return a.up == b.up || a.down == b.down || (a.up < b.down && b.up < a.down);
}

void Ledger::Clear()
{
    m_byPid.clear();
    m_size = 0;
    m_readTo = 0;
}

bool Ledger::Refresh(const std::string& path, std::string* error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            Clear();
            return true;
        }
        if (error)
            *error = "cannot read the ledger \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0 && info.st_size < m_readTo)
        Clear();
    std::string text;
    char block[64 * 1024];
    for (;;) {
        const ssize_t n =
            ::pread(fd, block, sizeof block, m_readTo + static_cast<off_t>(text.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (error)
                *error = "cannot read the ledger \"" + path + "\": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        text.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    // Up to the last line end: a line being appended right now is read next time.
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        if (const auto entry = ParseLedgerLine(std::string_view(text).substr(at, end - at)))
            Add(*entry);
        else
            ++m_skipped;
    }
    m_readTo += static_cast<off_t>(at);
    return true;
}

bool Ledger::Holds(const LedgerEntry& entry) const
{
    const auto matches = [&entry](const std::vector<LedgerEntry>& entries) {
        for (const LedgerEntry& held : entries) {
            if (SameConnection(held, entry))
                return true;
        }
        return false;
    };
    if (entry.pid == 0) {
        for (const auto& [pid, entries] : m_byPid) {
            if (matches(entries))
                return true;
        }
        return false;
    }
    const auto own = m_byPid.find(entry.pid);
    const auto unknown = m_byPid.find(0);
    return (own != m_byPid.end() && matches(own->second)) ||
           (unknown != m_byPid.end() && matches(unknown->second));
}

void Ledger::Add(const LedgerEntry& entry)
{
    m_byPid[entry.pid].push_back(entry);
    ++m_size;
}

} // namespace dialtally
