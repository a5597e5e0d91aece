#pragma once

#include <cerrno>
#include <cstddef>
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

} // namespace dialtally
