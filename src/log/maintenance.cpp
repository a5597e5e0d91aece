#include "log/maintenance.h"

#include "log/writeall.h"

#include <QDir>
#include <QFile>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <vector>

namespace dialtally {
namespace {

std::string PathIn(const QString& folder, const QString& name)
{
    return QFile::encodeName(QDir(folder).filePath(name)).toStdString();
}

QString CannotText(const QString& action, const std::string& path, int error)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(action, QDir::toNativeSeparators(QFile::decodeName(path.c_str())),
             QString::fromLocal8Bit(std::strerror(error)));
}

// The seconds of a day count from 0 on; day counts beyond the usable range are later than any
// time, so that the seconds grow with the day count over all of them.
std::int64_t SecondsFromZero(double dayCount)
{
    const std::optional<DateTime> time = FromDayCount(dayCount);
    return time ? time->seconds : std::numeric_limits<std::int64_t>::max();
}

// Day counts from 0 on are ordered as their bit patterns are.
double DayCountOfBits(std::uint64_t bits)
{
    return std::bit_cast<double>(bits);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Reads the log block by block and writes every record outside the span, as it stands, to out.
class PeriodFilter {
public:
    PeriodFilter(int in, const DeletionSpan& span, ProgressBar* bar, DeletionReport& report)
        : m_in(in), m_test(span), m_bar(bar), m_report(report)
    {
    }

    bool CopyKept(int out, const std::string& logPath, QString* error)
    {
        constexpr std::size_t kRecordsPerBlock = 65536;
        constexpr std::size_t kBlockSize = kRecordsPerBlock * kLogRecordSize;
        std::vector<unsigned char> block(kBlockSize);
        std::size_t carried = 0; // bytes of a record split across two blocks
        for (;;) {
            const ssize_t got = ::read(m_in, block.data() + carried, kBlockSize - carried);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                *error = CannotText(QStringLiteral("read"), logPath, errno);
                return false;
            }
            if (got == 0)
                return true; // a trailing fragment shorter than a record is not a record
            const std::size_t available = carried + static_cast<std::size_t>(got);
            const std::size_t records = available / kLogRecordSize;
            if (!FilterBlock(block.data(), records, out))
                return false;
            carried = available - records * kLogRecordSize;
            std::memmove(block.data(), block.data() + records * kLogRecordSize, carried);
        }
    }

private:
    // Runs of kept records go out in one write each.
    bool FilterBlock(const unsigned char* records, std::size_t count, int out)
    {
        std::size_t runStart = 0;
        for (std::size_t i = 0; i < count; ++i) {
            double dayCount;
            std::memcpy(&dayCount, records + i * kLogRecordSize, sizeof dayCount);
            if (!m_test.Contains(dayCount))
                continue;
            if (!WriteRun(records, runStart, i, out))
                return false;
            runStart = i + 1;
            if (m_report.dropped++ == 0)
                AdvanceProgress(m_bar, 2);
        }
        return WriteRun(records, runStart, count, out);
    }

    bool WriteRun(const unsigned char* records, std::size_t first, std::size_t end, int out)
    {
        if (end == first)
            return true;
        m_report.kept += static_cast<std::int64_t>(end - first);
        return WriteAll(out, records + first * kLogRecordSize, (end - first) * kLogRecordSize);
    }

    int m_in;
    SpanTest m_test;
    ProgressBar* m_bar;
    DeletionReport& m_report;
};

} // namespace

QString DeleteQuestion(const QString& upText, const QString& downText)
{
    return QStringLiteral("This action will delete log from ") + upText + QStringLiteral(" to ") +
           downText + QStringLiteral(".\r\n\r\nAre you sure you want to continue?");
}

QString LogDestroyedText(const QString& backupPath)
{
    return QStringLiteral("An error occured while writing updates to log. The log is probably "
                          "destroyed!\r\nIn order to correct the problem, rename the file ") +
           QDir::toNativeSeparators(backupPath) + QStringLiteral(" to ") + kSessionLogName +
           QStringLiteral(".");
}

std::optional<DeletionSpan> SpanOfSessions(const SessionRecord& first, const SessionRecord& last,
                                           std::int32_t additionalConnectSeconds)
{
    if (!first.vUp)
        return std::nullopt;
    const std::optional<DateTime>& lastTime = last.vDown ? last.vDown : last.vUp;
    if (!lastTime)
        return std::nullopt;
    return DeletionSpan{
        DateTime{first.vUp->seconds + additionalConnectSeconds - kSecondsBeforeStart},
        DateTime{lastTime->seconds + kSecondsAfterEnd}};
}

bool InSpan(const LogEvent& event, const DeletionSpan& span)
{
    const std::optional<DateTime> time = EventTime(event);
    return time && *time >= span.start && *time <= span.end;
}

SpanTest::SpanTest(const DeletionSpan& span) : m_span(span)
{
    // Bisection over the bit patterns of the day counts from 0 to infinity.
    const std::uint64_t top = std::bit_cast<std::uint64_t>(std::numeric_limits<double>::infinity());
    std::uint64_t low = 0, high = top;
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (SecondsFromZero(DayCountOfBits(middle)) >= span.start.seconds)
            high = middle;
        else
            low = middle + 1;
    }
    m_lowest = DayCountOfBits(low);
    if (SecondsFromZero(0.0) > span.end.seconds) {
        m_highest = -1.0;
        return;
    }
    low = 0;
    high = top;
    while (low < high) {
        const std::uint64_t middle = low + (high - low + 1) / 2;
        if (SecondsFromZero(DayCountOfBits(middle)) <= span.end.seconds)
            low = middle;
        else
            high = middle - 1;
    }
    m_highest = DayCountOfBits(low);
}

bool SpanTest::ContainsSlowly(double dayCount) const
{
    LogEvent event;
    event.dtTime = dayCount;
    return InSpan(event, m_span);
}

bool DeletePeriod(const QString& programDir, const DeletionSpan& span, ProgressBar* bar,
                  DeletionReport* reportOut)
{
    DeletionReport local;
    DeletionReport& report = reportOut ? *reportOut : local;
    report = DeletionReport();
    const std::string logPath = PathIn(programDir, kSessionLogName);
    const Descriptor log(::open(logPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (log.Get() < 0) {
        report.replace.errorNumber = errno;
        report.replace.error = CannotText(QStringLiteral("open"), logPath, errno);
        return false;
    }
    PeriodFilter filter(log.Get(), span, bar, report);
    const bool ok = ReplaceSessionLog(
        programDir,
        [&](int out, QString* error) {
            if (!filter.CopyKept(out, logPath, error))
                return false;
            AdvanceProgress(bar, 1);
            return true;
        },
        &report.replace);
    if (ok && bar)
        bar->SetValue(bar->Max());
    return ok;
}

bool DeleteLogPeriod(const UpdateSettings& settings, const DeletionSpan& span, ProgressBar* bar,
                     DeletionReport* reportOut)
{
    DeletionReport local;
    DeletionReport& report = reportOut ? *reportOut : local;
    report = DeletionReport();
    UpdateReport update;
    const bool ok = ChangeSessionLog(
        settings,
        [&](QString* error) {
            const bool deleted = DeletePeriod(settings.programDir, span, bar, &report);
            *error = report.replace.error;
            return deleted;
        },
        &update);
    if (!ok && report.replace.error.isEmpty())
        report.replace.error = update.error;
    return ok;
}

bool ClearSessionLog(const UpdateSettings& settings, QString* error)
{
    UpdateReport update;
    const bool ok = ChangeSessionLog(
        settings,
        [&](QString* changeError) {
            const std::string logPath = PathIn(settings.programDir, kSessionLogName);
            if (::unlink(logPath.c_str()) == 0)
                return true;
            *changeError = CannotText(QStringLiteral("delete"), logPath, errno);
            return false;
        },
        &update);
    if (!ok && error)
        *error = update.error;
    return ok;
}

bool SaveEditedLog(const UpdateSettings& settings, std::span<const LogEvent> events,
                   ReplaceResult* resultOut)
{
    ReplaceResult local;
    ReplaceResult& result = resultOut ? *resultOut : local;
    result = ReplaceResult();
    UpdateReport update;
    const bool ok = ChangeSessionLog(
        settings,
        [&](QString* error) {
            const bool saved = ReplaceSessionLog(settings.programDir, events, &result);
            *error = result.error;
            return saved;
        },
        &update);
    if (!ok && result.error.isEmpty())
        result.error = update.error;
    return ok;
}

} // namespace dialtally
