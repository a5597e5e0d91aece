#include "log/oldlog.h"

#include "log/adapterline.h"
#include "log/sessionlog.h"
#include "log/writeall.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dialtally {
namespace {

// ---------------------------------------------------------------------------------------------
// Dates

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Reads the text from the front, part by part.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_text.empty(); }

    // A number of minDigits to maxDigits decimal digits; *digits says how many it had.
    bool Number(int& value, int minDigits, int maxDigits, int* digits = nullptr)
    {
        int count = 0;
        value = 0;
        while (count < static_cast<int>(m_text.size()) && IsDigit(m_text[count]) &&
               count < maxDigits) {
            value = value * 10 + (m_text[count] - '0');
            ++count;
        }
        // A number with more digits than allowed is not a shorter number.
        if (count < minDigits ||
            (count < static_cast<int>(m_text.size()) && IsDigit(m_text[count])))
            return false;
        m_text.remove_prefix(static_cast<std::size_t>(count));
        if (digits)
            *digits = count;
        return true;
    }

    bool Char(char c)
    {
        if (m_text.empty() || m_text.front() != c)
            return false;
        m_text.remove_prefix(1);
        return true;
    }

    bool OneOf(std::string_view chars, char& found)
    {
        if (m_text.empty() || chars.find(m_text.front()) == std::string_view::npos)
            return false;
        found = m_text.front();
        m_text.remove_prefix(1);
        return true;
    }

    bool Blanks()
    {
        const std::size_t before = m_text.size();
        while (!m_text.empty() && IsBlank(m_text.front()))
            m_text.remove_prefix(1);
        return m_text.size() != before;
    }

    // The word, compared without regard to the case of ASCII letters.
    bool Word(std::string_view word)
    {
        if (word.empty() || m_text.size() < word.size())
            return false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            const auto lower = [](char c) {
                return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
            };
            if (lower(m_text[i]) != lower(word[i]))
                return false;
        }
        m_text.remove_prefix(word.size());
        return true;
    }

private:
    std::string_view m_text;
};

struct TimeOfDay {
    int hour = 0, minute = 0, second = 0;
};

// "h:mm" or "h:mm:ss" with the separator given; time is left as it was when it is not one.
bool ReadTimeOfDay(Scanner& in, char separator, TimeOfDay& time)
{
    Scanner scan = in;
    TimeOfDay read;
    if (!scan.Number(read.hour, 1, 2) || !scan.Char(separator) || !scan.Number(read.minute, 2, 2))
        return false;
    Scanner seconds = scan;
    if (seconds.Char(separator) && seconds.Number(read.second, 2, 2))
        scan = seconds;
    else
        read.second = 0;
    if (read.hour >= 24 || read.minute >= 60 || read.second >= 60)
        return false;
    in = scan;
    time = read;
    return true;
}

// The date exactly as given: no rollover.
std::optional<DateTime> ExactDateTime(int year, int month, int day, const TimeOfDay& time)
{
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const std::optional<DateTime> result =
        MakeDateTime(year, month, day, time.hour, time.minute, time.second);
    if (!result)
        return std::nullopt;
    const CivilTime civil = ToCivil(*result);
    if (civil.day != day || civil.month != month)
        return std::nullopt;
    return result;
}

// "1998-12-16", "1998-12-16 10:14:40", "1998-12-16T10:14", or only the time when allowed.
std::optional<DateTime> IsoDateTime(std::string_view text, bool timeAlone)
{
    Scanner in(text);
    TimeOfDay time;
    if (timeAlone) {
        Scanner timeOnly = in;
        if (ReadTimeOfDay(timeOnly, ':', time) && timeOnly.AtEnd())
            return ExactDateTime(1899, 12, 30, time);
    }
    int year = 0, month = 0, day = 0;
    if (!in.Number(year, 4, 4) || !in.Char('-') || !in.Number(month, 1, 2) || !in.Char('-') ||
        !in.Number(day, 1, 2))
        return std::nullopt;
    if (!in.AtEnd()) {
        if (!in.Char('T') && !in.Blanks())
            return std::nullopt;
        if (!ReadTimeOfDay(in, ':', time) || !in.AtEnd())
            return std::nullopt;
    }
    return ExactDateTime(year, month, day, time);
}

int WindowedYear(int year, int digits)
{
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// The regional time of day after a date: 24-hour clock, or 12-hour clock with AM/PM.
bool ReadRegionalTime(Scanner& in, const RegionalDateForm& form, TimeOfDay& time)
{
    Scanner colon = in;
    Scanner regional = in;
    if (ReadTimeOfDay(colon, ':', time))
        in = colon;
    else if (form.timeSeparator != ':' && ReadTimeOfDay(regional, form.timeSeparator, time))
        in = regional;
    else
        return false;
    in.Blanks();
    if (in.AtEnd())
        return true;
    const bool pm = in.Word(form.pm) || in.Word("PM");
    const bool am = !pm && (in.Word(form.am) || in.Word("AM"));
    if ((!am && !pm) || time.hour < 1 || time.hour > 12)
        return false;
    time.hour = (time.hour % 12) + (pm ? 12 : 0);
    return true;
}

std::optional<DateTime> RegionalDateTime(std::string_view text, const RegionalDateForm& form)
{
    Scanner in(text);
    int parts[3] = {};
    int digits[3] = {};
    char separator = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && !in.OneOf(i == 1 ? std::string_view("/.-") : std::string_view(&separator, 1),
                               separator))
            return std::nullopt;
        // Some regions write a blank after each point ("1998. 12. 16.").
        if (separator == '.')
            in.Blanks();
        if (!in.Number(parts[i], 1, 4, &digits[i]))
            return std::nullopt;
    }
    int year = 0, month = 0, day = 0, yearDigits = 0;
    switch (form.order) {
    case RegionalDateForm::Order::DayMonthYear:
        day = parts[0], month = parts[1], year = parts[2], yearDigits = digits[2];
        break;
    case RegionalDateForm::Order::MonthDayYear:
        month = parts[0], day = parts[1], year = parts[2], yearDigits = digits[2];
        break;
    case RegionalDateForm::Order::YearMonthDay:
        year = parts[0], month = parts[1], day = parts[2], yearDigits = digits[0];
        break;
    }
    if (yearDigits != 2 && yearDigits != 4)
        return std::nullopt;
    // A point may end a date ("16.12.1998.").
    if (separator == '.')
        in.Char('.');
    TimeOfDay time;
    if (in.Blanks() && !in.AtEnd() && !ReadRegionalTime(in, form, time))
        return std::nullopt;
    if (!in.AtEnd())
        return std::nullopt;
    return ExactDateTime(WindowedYear(year, yearDigits), month, day, time);
}

// ---------------------------------------------------------------------------------------------
// Fields

// The field at the front of rest, in the comma-delimited convention; rest is left after the
// comma that ends it, or empty.
std::string_view NextField(std::string_view& rest)
{
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    std::string_view field;
    if (!rest.empty() && rest.front() == '"') {
        const std::size_t close = rest.find('"', 1);
        field =
            rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
        rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
        // What stands between the closing quote and the next comma is not part of the field.
        const std::size_t comma = rest.find(',');
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
        return field;
    }
    const std::size_t comma = rest.find(',');
    field = rest.substr(0, comma);
    rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    while (!field.empty() && IsBlank(field.back()))
        field.remove_suffix(1);
    return field;
}

// ---------------------------------------------------------------------------------------------
// Files

QString SystemError(const QString& action, const QString& path, int error)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(action, QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error)));
}

void SetError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    int Get() const { return m_fd; }
    // False with errno set when the close reports a failed write.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

ssize_t ReadSome(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

// Hands every line of the file, without its line end, to line(); empty lines are passed over and
// lines longer than limits.maxLine are counted in *tooLong. The file is read in blocks of at most
// limits.blockSize bytes. False with errno set on a read error, or when line() returns false.
template <typename LineFunction>
bool ForEachLine(int fd, std::int64_t fileSize, const OldLogReadLimits& limits,
                 std::int64_t& tooLong, LineFunction&& line)
{
    // A small file needs no large buffer.
    const std::size_t block = std::clamp<std::size_t>(
        static_cast<std::size_t>(std::max<std::int64_t>(fileSize, 0)) + 1, 1,
        std::max<std::size_t>(limits.blockSize, 1));
    const std::size_t maxLine = limits.maxLine;
    std::vector<char> buffer(block + maxLine);
    std::size_t kept = 0;  // bytes of an unfinished line at the start of the buffer
    bool skipping = false; // inside a line that is too long, already counted
    // A whole line: handed over, or counted when too long. False when line() stopped.
    const auto finish = [&](const char* text, std::size_t length) {
        if (skipping) {
            skipping = false;
            return true;
        }
        if (length > maxLine) {
            ++tooLong;
            return true;
        }
        return length == 0 || line(std::string_view(text, length));
    };
    for (;;) {
        const ssize_t got = ReadSome(fd, buffer.data() + kept, buffer.size() - kept);
        if (got < 0)
            return false;
        const std::size_t end = kept + static_cast<std::size_t>(got);
        std::size_t start = 0;
        for (std::size_t i = kept; i < end; ++i) {
            if (buffer[i] != '\n' && buffer[i] != '\r')
                continue;
            if (!finish(buffer.data() + start, i - start))
                return false;
            start = i + 1;
        }
        // The last line may end without a line end.
        if (got == 0)
            return finish(buffer.data() + start, end - start);
        kept = end - start;
        if (kept > maxLine) {
            if (!skipping)
                ++tooLong;
            skipping = true;
            kept = 0;
        } else {
            std::memmove(buffer.data(), buffer.data() + start, kept);
        }
    }
}

// The records of a conversion go out in blocks.
class RecordWriter {
public:
    explicit RecordWriter(int fd) : m_fd(fd) { m_block.reserve(kRecords * kLogRecordSize); }

    bool Add(const LogEvent& event)
    {
        const LogRecordBytes bytes = EncodeRecord(event);
        m_block.insert(m_block.end(), bytes.begin(), bytes.end());
        return m_block.size() < kRecords * kLogRecordSize || Flush();
    }

    bool Flush()
    {
        const bool ok = WriteAll(m_fd, m_block.data(), m_block.size());
        m_block.clear();
        return ok;
    }

private:
    static constexpr std::size_t kRecords = 4096;
    int m_fd;
    std::vector<unsigned char> m_block;
};

} // namespace

RegionalDateForm RegionalDateForm::FromLocale(const QLocale& locale)
{
    RegionalDateForm form;
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype day = date.indexOf(QLatin1Char('d'));
    const qsizetype month = date.indexOf(QLatin1Char('M'));
    const qsizetype year = date.indexOf(QLatin1Char('y'));
    if (year >= 0 && month >= 0 && day >= 0) {
        if (year < month && month < day)
            form.order = Order::YearMonthDay;
        else if (day < month)
            form.order = Order::DayMonthYear;
        else
            form.order = Order::MonthDayYear;
    }
    // The character after the hours is the separator of the time of day.
    const QString time = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype hour = time.indexOf(QRegularExpression(QStringLiteral("[hH]")));
    if (hour >= 0) {
        qsizetype after = hour;
        while (after < time.size() && time.at(after).toLower() == QLatin1Char('h'))
            ++after;
        if (after < time.size() && time.at(after).unicode() < 128 &&
            !time.at(after).isLetterOrNumber())
            form.timeSeparator = static_cast<char>(time.at(after).unicode());
    }
    // Only texts in ASCII can stand as they are among the bytes of the old log.
    const auto ascii = [](const QString& text, std::string& target) {
        for (const QChar c : text) {
            if (c.unicode() >= 128)
                return;
        }
        if (!text.isEmpty())
            target = text.toStdString();
    };
    ascii(locale.amText(), form.am);
    ascii(locale.pmText(), form.pm);
    return form;
}

std::optional<DateTime> OldLogTime(std::string_view field, const RegionalDateForm& form)
{
    field = Trimmed(field);
    if (field.size() >= 2 && field.front() == '#' && field.back() == '#')
        return IsoDateTime(Trimmed(field.substr(1, field.size() - 2)), true);
    if (const auto iso = IsoDateTime(field, false))
        return iso;
    return RegionalDateTime(field, form);
}

bool ParseOldLogLine(std::string_view line, const RegionalDateForm& form, DateTime& time,
                     std::string_view& message)
{
    std::string_view rest = line;
    const std::string_view first = NextField(rest);
    const std::optional<DateTime> parsed = OldLogTime(first, form);
    if (!parsed)
        return false;
    time = *parsed;
    message = rest.empty() ? std::string_view() : NextField(rest);
    return true;
}

bool ReadOldLog(const QString& path, ProgressBar* bar, const RegionalDateForm& form,
                const OldLogConsumer& consume, OldLogCounts* countsOut, QString* error,
                const OldLogReadLimits& limits)
{
    OldLogCounts localCounts;
    OldLogCounts& counts = countsOut ? *countsOut : localCounts;
    Descriptor file(::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        SetError(error, SystemError(QStringLiteral("open"), path, errno));
        return false;
    }
    struct stat info;
    const std::int64_t size = ::fstat(file.Get(), &info) == 0 ? info.st_size : 0;
    // An estimate of 40 bytes a line; the bar moves every tenth of it, rounded half to even.
    const auto maximum = static_cast<std::int32_t>(std::min<std::int64_t>(size / 40, INT32_MAX));
    const auto interval = static_cast<std::int64_t>(std::nearbyint(maximum / 10.0));
    if (bar) {
        bar->SetMin(0);
        bar->SetMax(maximum);
    }
    bool stopped = false;
    std::int64_t tooLong = 0;
    const bool read = ForEachLine(file.Get(), size, limits, tooLong, [&](std::string_view line) {
        DateTime time;
        std::string_view message;
        if (!ParseOldLogLine(line, form, time, message)) {
            ++counts.skipped;
            return true;
        }
        ++counts.entries;
        if (!consume(time, message)) {
            stopped = true;
            return false;
        }
        if (bar && (interval == 0 || counts.entries % interval == 0))
            bar->SetValue(
                static_cast<std::int32_t>(std::min<std::int64_t>(counts.entries, INT32_MAX)));
        return true;
    });
    counts.skipped += tooLong;
    if (!read && !stopped) {
        SetError(error, SystemError(QStringLiteral("read"), path, errno));
        return false;
    }
    return read;
}

bool ConvertOldLog(const QString& oldPath, const QString& newPath, ProgressBar* bar,
                   const QString& readingText, const QString& writingText,
                   const RegionalDateForm& form, OldLogCounts* countsOut, QString* error)
{
    OldLogCounts localCounts;
    OldLogCounts& counts = countsOut ? *countsOut : localCounts;
    if (bar)
        bar->SetText(readingText);
    Descriptor target(
        ::open(Native(newPath).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (target.Get() < 0) {
        SetError(error, SystemError(QStringLiteral("create"), newPath, errno));
        return false;
    }
    RecordWriter writer(target.Get());
    int writeError = 0;
    const bool read = ReadOldLog(
        oldPath, bar, form,
        [&](DateTime time, std::string_view message) {
            const std::int16_t code = ClassifyMessage(message, Dialect::Windows95);
            if (code == 0)
                return true;
            ++counts.records;
            if (writer.Add(MakeEvent(time, code, DecimalValue(message))))
                return true;
            writeError = errno;
            return false;
        },
        &counts, error);
    if (bar)
        bar->SetText(writingText);
    if (!read && writeError == 0)
        return false;
    if (writeError == 0 && !writer.Flush())
        writeError = errno;
    if (writeError == 0 && !target.Close())
        writeError = errno;
    if (bar)
        bar->SetValue(bar->Max());
    if (writeError != 0) {
        SetError(error, SystemError(QStringLiteral("write"), newPath, writeError));
        return false;
    }
    return true;
}

bool AppendLogFile(const QString& target, const QString& source, std::int64_t* copied,
                   QString* error)
{
    if (copied)
        *copied = 0;
    Descriptor in(::open(Native(source).c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0) {
        SetError(error, SystemError(QStringLiteral("open"), source, errno));
        return false;
    }
    Descriptor out(::open(Native(target).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (out.Get() < 0) {
        SetError(error, SystemError(QStringLiteral("open"), target, errno));
        return false;
    }
    constexpr std::size_t kBlock = kLogRecordSize * 65536;
    std::vector<char> block(kBlock);
    std::size_t carried = 0; // bytes of a record split across two reads
    for (;;) {
        const ssize_t got = ReadSome(in.Get(), block.data() + carried, kBlock - carried);
        if (got < 0) {
            SetError(error, SystemError(QStringLiteral("read"), source, errno));
            return false;
        }
        if (got == 0)
            break;
        const std::size_t available = carried + static_cast<std::size_t>(got);
        const std::size_t whole = available / kLogRecordSize * kLogRecordSize;
        if (!WriteAll(out.Get(), block.data(), whole)) {
            SetError(error, SystemError(QStringLiteral("write"), target, errno));
            return false;
        }
        if (copied)
            *copied += static_cast<std::int64_t>(whole / kLogRecordSize);
        carried = available - whole;
        std::memmove(block.data(), block.data() + whole, carried);
    }
    if (!SyncFileData(out.Get()) || !out.Close()) {
        SetError(error, SystemError(QStringLiteral("write"), target, errno));
        return false;
    }
    return true;
}

bool RetireOldLog(const QString& programDir, QString* error)
{
    const QDir folder(programDir);
    const QString from = folder.filePath(kOldLogName);
    const QString to = folder.filePath(kRetiredLogName);
    // The rename replaces an older "OldLog.log" in the same step.
    if (::rename(Native(from).c_str(), Native(to).c_str()) != 0) {
        SetError(error, SystemError(QStringLiteral("rename"), from, errno));
        return false;
    }
    SyncFolder(Native(programDir));
    return true;
}

} // namespace dialtally
