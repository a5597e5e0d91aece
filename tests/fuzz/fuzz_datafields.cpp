// The data file's field reader over arbitrary bytes, differentially: read through a file
// descriptor in blocks of many sizes, it must give the same fields as a plain reading of the whole
// input at once, whatever the block size and wherever the blocks end. The first byte chooses a
// small longest field so that short inputs reach the too-long paths.

#include "fuzzsupport.h"
#include "log/datafile.h"

#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace dialtally;

namespace {

using Result = DataFieldReader::Result;

struct Item {
    Result result;
    std::string field; // only for Result::Field

    friend bool operator==(const Item&, const Item&) = default;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

constexpr std::string_view kSeparators = ",\r\n";

// The format read with the whole file in hand: quoted fields run to the closing quote and what
// follows it up to the next separator is passed over; bare fields run to the next separator and
// lose their trailing blanks; CR LF is one separator; blanks before a field are skipped.
std::vector<Item> ReadWhole(std::string_view data, std::size_t maxField)
{
    std::vector<Item> items;
    std::size_t pos = 0;
    bool skipToSeparator = false;
    const auto consumeSeparator = [&](std::size_t at) {
        pos = at + 1;
        if (data[at] == '\r' && pos < data.size() && data[pos] == '\n')
            ++pos;
    };
    const auto add = [&](std::string_view field) {
        if (field.size() > maxField)
            items.push_back({Result::TooLong, {}});
        else
            items.push_back({Result::Field, std::string(field)});
    };
    for (;;) {
        if (skipToSeparator) {
            const std::size_t at = data.find_first_of(kSeparators, pos);
            if (at == std::string_view::npos)
                break;
            consumeSeparator(at);
            skipToSeparator = false;
        }
        while (pos < data.size() && IsBlank(data[pos]))
            ++pos;
        if (pos == data.size())
            break;
        if (data[pos] == '"') {
            const std::size_t close = data.find('"', pos + 1);
            if (close == std::string_view::npos) {
                items.push_back({Result::Unterminated, {}});
                return items;
            }
            add(data.substr(pos + 1, close - pos - 1));
            pos = close + 1;
            skipToSeparator = true;
        } else {
            // The end of the file ends a bare field as a separator does.
            const std::size_t at = data.find_first_of(kSeparators, pos);
            std::size_t end = at == std::string_view::npos ? data.size() : at;
            while (end > pos && IsBlank(data[end - 1]))
                --end;
            add(data.substr(pos, end - pos));
            if (at == std::string_view::npos)
                break;
            consumeSeparator(at);
        }
    }
    items.push_back({Result::End, {}});
    return items;
}

std::vector<Item> ReadInBlocks(int fd, std::size_t inputSize, std::size_t blockSize,
                               std::size_t maxField)
{
    FUZZ_CHECK(::lseek(fd, 0, SEEK_SET) == 0);
    DataFieldReader reader(fd, blockSize, maxField);
    std::vector<Item> items;
    std::string_view field;
    for (;;) {
        const Result result = reader.Next(field);
        if (result == Result::Field)
            FUZZ_CHECK(field.size() <= maxField);
        items.push_back({result, result == Result::Field ? std::string(field) : std::string()});
        if (result != Result::Field && result != Result::TooLong)
            return items;
        // Every field takes at least one byte of the input.
        FUZZ_CHECK(items.size() <= inputSize + 1);
    }
}

// One memory file for the whole run, refilled with each input.
int InputFile(std::string_view bytes)
{
    static const int fd = ::memfd_create("datafields", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::ftruncate(fd, 0) == 0);
    FUZZ_CHECK(::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const std::size_t maxField = input.Take<std::uint8_t>() % 64;
    const std::string_view bytes = input.Rest();
    const int fd = InputFile(bytes);

    const std::vector<Item> expected = ReadWhole(bytes, maxField);
    for (std::size_t blockSize : {1, 2, 3, 7, 64, 4096})
        FUZZ_CHECK(ReadInBlocks(fd, bytes.size(), blockSize, maxField) == expected);
    // The longest field of the update, where short inputs never reach it.
    constexpr std::size_t kDefaultMaxField = 64 * 1024;
    FUZZ_CHECK(ReadInBlocks(fd, bytes.size(), 4096, kDefaultMaxField) ==
               ReadWhole(bytes, kDefaultMaxField));
    return 0;
}
