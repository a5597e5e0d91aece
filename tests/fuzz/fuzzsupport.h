#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>

// What every fuzz target shares: a reader that takes typed values off the front of the input, and
// a check that stops the run with a message when a property does not hold (the fuzzer keeps the
// input as a crash, and the replay test fails on it).

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::dialtally::fuzz::CheckFailed(#condition, __FILE__, __LINE__);                        \
    } while (false)

namespace dialtally::fuzz {

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

// A template for the scratch folder of a target: in memory where the system has a memory file
// system, since the disk flushes of the store would otherwise take most of the time.
inline std::string ScratchFolderTemplate()
{
    const std::filesystem::path shm = "/dev/shm";
    std::error_code error;
    const std::filesystem::path base =
        std::filesystem::is_directory(shm, error) ? shm : std::filesystem::temp_directory_path();
    return (base / "dialtally-fuzz-XXXXXX").string();
}

// Values are taken from the front; an input that runs out reads as zero bytes, so that every
// input, however short, is a valid one.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    template <typename T> T Take()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        unsigned char bytes[sizeof(T)] = {};
        const std::size_t n = sizeof(T) < m_size ? sizeof(T) : m_size;
        if (n > 0)
            std::memcpy(bytes, m_data, n);
        Advance(n);
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    bool TakeFlag() { return (Take<std::uint8_t>() & 1) != 0; }

    // The rest of the input, which is then used up.
    std::string_view Rest()
    {
        const std::string_view rest(reinterpret_cast<const char*>(m_data), m_size);
        Advance(m_size);
        return rest;
    }

private:
    void Advance(std::size_t n)
    {
        m_data += n;
        m_size -= n;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace dialtally::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
