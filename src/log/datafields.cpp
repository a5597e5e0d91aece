#include "log/datafields.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace dialtally {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsSeparator(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// The length of the bytes begin .. end without the blanks at their end.
std::size_t LengthWithoutTrailingBlanks(const char* begin, const char* end)
{
    while (end > begin && IsBlank(end[-1]))
        --end;
    return static_cast<std::size_t>(end - begin);
}

} // namespace

DataFieldReader::DataFieldReader(int fd, std::size_t blockSize, std::size_t maxField)
    : m_fd(fd), m_maxField(maxField), m_buffer(blockSize + maxField + 1)
{
}

long DataFieldReader::Fill()
{
    if (m_pos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_pos, m_end - m_pos);
        m_end -= m_pos;
        m_pos = 0;
    }
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            m_end += static_cast<std::size_t>(n);
        return static_cast<long>(n);
    }
}

void DataFieldReader::ConsumeSeparator(std::size_t at)
{
    m_pos = at + 1;
    if (m_buffer[at] != '\r')
        return;
    if (m_pos < m_end) {
        if (m_buffer[m_pos] == '\n')
            ++m_pos;
    } else {
        m_pendingLineFeed = true;
    }
}

DataFieldReader::Result DataFieldReader::SkipToSeparator()
{
    for (;;) {
        for (std::size_t i = m_pos; i < m_end; ++i) {
            if (IsSeparator(m_buffer[i])) {
                ConsumeSeparator(i);
                m_skipToSeparator = false;
                return Result::Field;
            }
        }
        m_pos = m_end;
        const long n = Fill();
        if (n < 0)
            return Result::ReadError;
        if (n == 0) {
            m_skipToSeparator = false;
            return Result::End;
        }
    }
}

DataFieldReader::Result DataFieldReader::Next(std::string_view& field)
{
    if (m_skipToSeparator) {
        const Result result = SkipToSeparator();
        if (result != Result::Field)
            return result;
    }
    for (;;) {
        if (m_pendingLineFeed && m_pos < m_end) {
            m_pendingLineFeed = false;
            if (m_buffer[m_pos] == '\n')
                ++m_pos;
        }
        while (m_pos < m_end && IsBlank(m_buffer[m_pos]))
            ++m_pos;
        if (m_pos < m_end)
            break;
        const long n = Fill();
        if (n < 0)
            return Result::ReadError;
        if (n == 0)
            return Result::End;
    }
    return m_buffer[m_pos] == '"' ? Quoted(field) : Bare(field);
}

DataFieldReader::Result DataFieldReader::Quoted(std::string_view& field)
{
    // m_pos stands on the opening quote; scanned counts the bytes behind it already searched.
    std::size_t scanned = 0;
    bool tooLong = false;
    for (;;) {
        const std::size_t from = m_pos + 1 + scanned;
        const void* quote = std::memchr(m_buffer.data() + from, '"', m_end - from);
        if (quote) {
            const auto close =
                static_cast<std::size_t>(static_cast<const char*>(quote) - m_buffer.data());
            field = std::string_view(m_buffer.data() + m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            // The usual case, a line end right after the quote, is taken here; anything else is
            // passed over by the next call, which may have to read more.
            if (m_pos + 1 < m_end && m_buffer[m_pos] == '\r' && m_buffer[m_pos + 1] == '\n')
                m_pos += 2;
            else
                m_skipToSeparator = true;
            return tooLong || field.size() > m_maxField ? Result::TooLong : Result::Field;
        }
        scanned = m_end - m_pos - 1;
        if (scanned > m_maxField) {
            // Only the opening quote is kept: nothing of a field this long is used.
            tooLong = true;
            m_end = m_pos + 1;
            scanned = 0;
        }
        const long n = Fill();
        if (n < 0)
            return Result::ReadError;
        if (n == 0) {
            m_pos = m_end;
            return Result::Unterminated;
        }
    }
}

DataFieldReader::Result DataFieldReader::Bare(std::string_view& field)
{
    // Blanks at the end of a bare field are not part of it, so only the bytes up to the last
    // non-blank count against maxField, wherever a block ends. When the buffer fills with a field
    // whose tail is blanks, the blanks are dropped and their place remembered: the field is too
    // long only if anything but blanks follows them before the separator.
    std::size_t scanned = 0;
    bool tooLong = false;
    // The field's length when blanks were dropped behind it; no field reaches the initial value.
    std::size_t lengthBeforeBlanks = std::numeric_limits<std::size_t>::max();
    for (;;) {
        for (std::size_t i = m_pos + scanned; i < m_end; ++i) {
            if (!IsSeparator(m_buffer[i]))
                continue;
            const std::size_t length =
                LengthWithoutTrailingBlanks(m_buffer.data() + m_pos, m_buffer.data() + i);
            field = std::string_view(m_buffer.data() + m_pos, length);
            ConsumeSeparator(i);
            const bool blanksInside = length > lengthBeforeBlanks;
            return tooLong || blanksInside || length > m_maxField ? Result::TooLong : Result::Field;
        }
        if (m_end - m_pos > m_maxField) {
            const std::size_t length =
                LengthWithoutTrailingBlanks(m_buffer.data() + m_pos, m_buffer.data() + m_end);
            const bool blanksInside = length > lengthBeforeBlanks;
            if (tooLong || blanksInside || length > m_maxField) {
                // Nothing of a field this long is used.
                tooLong = true;
                lengthBeforeBlanks = std::numeric_limits<std::size_t>::max();
                m_pos = m_end;
            } else {
                lengthBeforeBlanks = length;
                m_end = m_pos + length;
            }
        }
        scanned = m_end - m_pos;
        const long n = Fill();
        if (n < 0)
            return Result::ReadError;
        if (n == 0) {
            m_pos = m_end;
            return Result::Unterminated;
        }
    }
}

} // namespace dialtally
