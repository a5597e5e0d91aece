#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <unistd.h>

namespace dialtally {

// Writes every byte to the descriptor, going on after short writes and interruptions; false with
// errno set on the first real failure.
inline bool WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Replaces a small file (a journal, a kept place) in one step: the text is written beside it as
// PATH.new and renamed over it, so that a reader finds the old or the new text, never a torn one.
// With syncFirst the text is on disk before the rename. False with errno set; the file is then
// as it was.
bool ReplaceSmallFile(const std::string& path, std::string_view text, bool syncFirst);

} // namespace dialtally
