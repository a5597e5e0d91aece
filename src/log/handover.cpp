#include "log/handover.h"

#include "log/writeall.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace dialtally {
namespace {

const char kPositionHeader[] = "dtallywr position 1";
// A position file is a few hundred bytes; anything much larger is not one.
constexpr std::size_t kMaxPositionFile = 4096;

std::string Join(const std::string& folder, const char* name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

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

template <typename Number> bool ReadNumber(std::istringstream& in, Number& number)
{
    std::string word;
    if (!(in >> word))
        return false;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), number);
    return ec == std::errc() && end == word.data() + word.size();
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

HandoverFiles HandoverFiles::InFolder(const std::string& windowsDir)
{
    HandoverFiles files;
    files.folder = windowsDir;
    files.data = Join(windowsDir, "Dtally.dat");
    files.work = Join(windowsDir, "Dtally.wrk");
    files.journal = Join(windowsDir, "Dtally.jnl");
    files.position = Join(windowsDir, "Dtally.pos");
    files.lock = Join(windowsDir, "Dtally.lck");
    return files;
}

HandoverLock::HandoverLock(HandoverLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

HandoverLock& HandoverLock::operator=(HandoverLock&& other) noexcept
{
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

HandoverLock::~HandoverLock()
{
    Release();
}

bool HandoverLock::Acquire(const std::string& lockPath, HandoverLockKind kind,
                           std::chrono::milliseconds wait)
{
    Release();
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(kind);
    range.l_len = 1;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        if (::fcntl(fd, F_OFD_SETLK, &range) == 0) {
            m_fd = fd;
            return true;
        }
        const int error = errno;
        if ((error != EAGAIN && error != EACCES && error != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            errno = error == EACCES || error == EAGAIN ? EWOULDBLOCK : error;
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
}

void HandoverLock::Release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

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
                    ReadPlace(fields, batch.after);
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
                std::to_string(batch.lengthBefore) + ' ' + PlaceText(batch.after) + '\n';
    }
    const std::string aside = path + ".new";
    const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (!WriteAll(fd, text.data(), text.size())) {
        const int error = errno;
        ::close(fd);
        ::unlink(aside.c_str());
        errno = error;
        return false;
    }
    if (::close(fd) != 0 || ::rename(aside.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(aside.c_str());
        errno = error;
        return false;
    }
    return true;
}

bool SettleUnconfirmedBatch(const HandoverFiles& files, off_t* cutBytes, std::string* error)
{
    if (cutBytes)
        *cutBytes = 0;
    std::optional<LoggerPosition> position = ReadLoggerPosition(files.position);
    if (!position || !position->batch)
        return true;
    const UnconfirmedBatch batch = *position->batch;
    for (const std::string* path : {&files.data, &files.work}) {
        dev_t device;
        ino_t inode;
        off_t size = 0;
        if (!FileIdentity(*path, device, inode, &size) || device != batch.device ||
            inode != batch.inode)
            continue;
        if (size > batch.lengthBefore) {
            if (::truncate(path->c_str(), batch.lengthBefore) != 0) {
                SetText(error, "cannot cut back \"" + *path + "\": " + std::strerror(errno));
                return false;
            }
            if (cutBytes)
                *cutBytes = size - batch.lengthBefore;
        }
        break;
    }
    position->batch.reset();
    if (!WriteLoggerPosition(files.position, *position)) {
        SetText(error, "cannot write \"" + files.position + "\": " + std::strerror(errno));
        return false;
    }
    return true;
}

off_t CutUnfinishedLine(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return -1;
    off_t end = info.st_size;
    std::vector<char> block(64 * 1024);
    off_t lineEnd = 0; // just after the last CR or LF; 0 when the file holds none
    while (end > 0) {
        const off_t start =
            end > static_cast<off_t>(block.size()) ? end - static_cast<off_t>(block.size()) : 0;
        const auto size = static_cast<std::size_t>(end - start);
        ssize_t got;
        while ((got = ::pread(fd, block.data(), size, start)) < 0 && errno == EINTR) {
        }
        if (got != static_cast<ssize_t>(size)) {
            if (got >= 0)
                errno = EIO;
            return -1;
        }
        std::size_t i = size;
        while (i > 0 && block[i - 1] != '\n' && block[i - 1] != '\r')
            --i;
        if (i > 0) {
            lineEnd = start + static_cast<off_t>(i);
            break;
        }
        end = start;
    }
    const off_t cut = info.st_size - lineEnd;
    if (cut > 0 && ::ftruncate(fd, lineEnd) != 0)
        return -1;
    return cut;
}

bool SyncFolder(const std::string& folder)
{
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

bool FileIdentity(int fd, dev_t& device, ino_t& inode, off_t* size)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return false;
    device = info.st_dev;
    inode = info.st_ino;
    if (size)
        *size = info.st_size;
    return true;
}

bool FileIdentity(const std::string& path, dev_t& device, ino_t& inode, off_t* size)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    device = info.st_dev;
    inode = info.st_ino;
    if (size)
        *size = info.st_size;
    return true;
}

} // namespace dialtally
