#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace dialtally {

// Reads the data file as comma-delimited text fields from a file descriptor, in blocks, with
// bounded memory. A field is either in double quotes (it runs to the closing quote and may hold
// commas and line ends; what follows the quote up to the next separator is ignored) or bare (it
// runs to the next comma or line end; trailing blanks dropped). Separators are a comma or a line
// end (CR LF, CR or LF); blanks before a field are skipped.
class DataFieldReader {
public:
    enum class Result {
        Field,        // field holds the next field, valid until the next call
        TooLong,      // a field longer than maxField was passed over; it cannot be a line
        Unterminated, // the file ended inside a field (no closing quote or line end)
        End,
        ReadError,
    };

    explicit DataFieldReader(int fd, std::size_t blockSize = std::size_t{1} << 20,
                             std::size_t maxField = 64 * 1024);
    Result Next(std::string_view& field);

private:
    // Keeps the unread bytes and reads more behind them; 0 at the end of the file, -1 on error.
    long Fill();
    // Passes over what stands before the next separator and the separator itself.
    Result SkipToSeparator();
    Result Quoted(std::string_view& field);
    Result Bare(std::string_view& field);
    void ConsumeSeparator(std::size_t at);

    int m_fd;
    std::size_t m_maxField;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_skipToSeparator = false;
    bool m_pendingLineFeed = false;
};

} // namespace dialtally
