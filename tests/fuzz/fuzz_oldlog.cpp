// The reader of the previous version's text log on any bytes, with small blocks and a short
// longest line so that lines meet the block edges: it must not crash, it must find exactly the
// entries and counts that cutting the whole input at its line ends finds, every entry's time must
// read back the same when written as the date literal, and the bar must stay within its range.
// The first three bytes choose the regional form, the block size and the longest line.

#include "fuzzsupport.h"
#include "log/adapterline.h"
#include "log/oldlog.h"
#include "support/memoryprogressbar.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace dialtally;

namespace {

struct Entry {
    DateTime time;
    std::string message;
    friend bool operator==(const Entry&, const Entry&) = default;
};

const RegionalDateForm& Form(std::uint8_t which)
{
    static const RegionalDateForm forms[] = {
        RegionalDateForm{},
        RegionalDateForm{RegionalDateForm::Order::DayMonthYear, '.', "ap.", "ip."},
        RegionalDateForm{RegionalDateForm::Order::YearMonthDay, ':', "AM", "PM"},
    };
    return forms[which % 3];
}

// What the reader must find: the input cut at every CR and LF at once.
std::vector<Entry> Expected(std::string_view text, const RegionalDateForm& form,
                            std::size_t maxLine, OldLogCounts& counts)
{
    std::vector<Entry> entries;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n')
            continue;
        const std::string_view line = text.substr(start, i - start);
        start = i + 1;
        if (line.empty())
            continue;
        DateTime time;
        std::string_view message;
        if (line.size() <= maxLine && ParseOldLogLine(line, form, time, message)) {
            ++counts.entries;
            entries.push_back({time, std::string(message)});
        } else {
            ++counts.skipped;
        }
    }
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const RegionalDateForm& form = Form(data[0]);
    OldLogReadLimits limits;
    limits.blockSize = 1 + data[1] % 64;
    limits.maxLine = 1 + data[2] % 160;
    const std::string_view text(reinterpret_cast<const char*>(data) + 3, size - 3);

    const int fd = ::memfd_create("Dtally.log", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (!text.empty() &&
        ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        ::close(fd);
        return 0;
    }
    MemoryProgressBar bar;
    OldLogCounts counts;
    std::vector<Entry> entries;
    const bool read = ReadOldLog(
        QStringLiteral("/proc/self/fd/%1").arg(fd), &bar, form,
        [&](DateTime time, std::string_view message) {
            FUZZ_CHECK(OldLogTime('#' + FormatIsoDateTime(time) + '#', form) == time);
            ClassifyMessage(message, Dialect::Windows95);
            DecimalValue(message);
            entries.push_back({time, std::string(message)});
            return true;
        },
        &counts, nullptr, limits);
    ::close(fd);
    FUZZ_CHECK(read);
    FUZZ_CHECK(bar.Value() >= bar.Min() && bar.Value() <= bar.Max());

    OldLogCounts expectedCounts;
    FUZZ_CHECK(entries == Expected(text, form, limits.maxLine, expectedCounts));
    FUZZ_CHECK(counts.entries == expectedCounts.entries &&
               counts.skipped == expectedCounts.skipped);
    return 0;
}
