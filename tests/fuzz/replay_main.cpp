// Runs a fuzz target once over every file of the folders (or files) named on the command line:
// the seed corpus and the saved regression inputs, so that the ordinary test suite keeps every
// input that once broke something. Folders that do not exist are passed over; finding no input at
// all is a failure, because then nothing was checked.

#include "fuzzsupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> InputsOf(const fs::path& place)
{
    std::vector<fs::path> inputs;
    if (fs::is_regular_file(place))
        inputs.push_back(place);
    else if (fs::is_directory(place))
        for (const fs::directory_entry& entry : fs::directory_iterator(place))
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& input : InputsOf(argv[i])) {
            std::fprintf(stderr, "%s\n", input.c_str());
            // An exact-size copy on the heap, as the fuzzer hands it over, so that a read past
            // the end is caught by AddressSanitizer in the sanitizer build.
            const std::vector<std::uint8_t> bytes = ReadAll(input);
            auto* copy = new std::uint8_t[bytes.size()];
            std::copy(bytes.begin(), bytes.end(), copy);
            LLVMFuzzerTestOneInput(copy, bytes.size());
            delete[] copy;
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
