#pragma once

#include "log/datetime.h"
#include "log/progress.h"

#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dialtally {

// The previous version of the program kept its history as text in "Dtally.log" in the program
// folder: one entry a line, two comma-delimited fields, the time of an adapter line and its
// message (the part after the dash). The import turns every recognised message into a record
// (Windows 95 texts), writes the records to "TempLog.log", puts the records of the current session
// log behind them and makes the result the session log; the old text is then kept as
// "OldLog.log".
inline const QString kOldLogName = QStringLiteral("Dtally.log");
inline const QString kTempLogName = QStringLiteral("TempLog.log");
inline const QString kRetiredLogName = QStringLiteral("OldLog.log");

// How the user's regional settings write a date with a time, for the first field of an old log
// entry that is not a date literal: the order of day, month and year in the short date, the
// separator of the time of day and the texts after a time of the 12-hour clock.
struct RegionalDateForm {
    enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };
    Order order = Order::MonthDayYear;
    char timeSeparator = ':';
    std::string am = "AM";
    std::string pm = "PM";

    static RegionalDateForm FromLocale(const QLocale& locale = QLocale());
};

// The time of an old log entry, from its first field (blanks around it ignored). Accepted:
// - the date literal that the previous version wrote, "#1998-12-16 10:14:40#", and its short
//   forms "#1998-12-16#" (midnight) and "#10:14:40#" (a time of day 30 December 1899); seconds
//   may be left out;
// - the same date and time without the "#" signs, also with a "T" between them;
// - a numeric short date in the regional order with "/", "." or "-" between its parts and a year
//   of four or two digits (two digits are read as 1930 to 2029; blanks may follow a point, and a
//   point may end the date), optionally followed by a time
//   of day "h:mm" or "h:mm:ss" (the regional time separator reads as well as ":") on the 24-hour
//   clock or followed by the regional or English AM/PM text.
// Names of months or weekdays are not read. Every part must be in its range: there is no
// rollover. Empty when the field is not such a date.
std::optional<DateTime> OldLogTime(std::string_view field, const RegionalDateForm& form);

// One line of the old log, without its line end: the first two fields in the comma-delimited
// text convention of the data file (a field in double quotes may hold commas; a bare field runs
// to the next comma, its trailing blanks dropped; blanks before a field are skipped). False when
// the first field is not a date: the line holds no entry. A line with one field has an empty
// message; fields after the second are ignored.
bool ParseOldLogLine(std::string_view line, const RegionalDateForm& form, DateTime& time,
                     std::string_view& message);

// What a read of the old log met.
struct OldLogCounts {
    std::int64_t entries = 0; // lines whose first field is a date
    std::int64_t skipped = 0; // other lines that are not empty, too long ones included
    std::int64_t records = 0; // records written by the conversion (recognised entries)
};

// Receives each entry in file order; returns false to stop the read (a failed write).
using OldLogConsumer = std::function<bool(DateTime time, std::string_view message)>;

// Lines longer than this are not lines of an old log; they are skipped.
inline constexpr std::size_t kMaxOldLogLine = 64 * 1024;

// How the reader takes the file in: blocks of up to blockSize bytes (never more than the file
// needs), lines longer than maxLine skipped. Tests choose small ones to meet the block edges.
struct OldLogReadLimits {
    std::size_t blockSize = std::size_t{1} << 20;
    std::size_t maxLine = kMaxOldLogLine;
};

// Reads the entries of the old log at path. The message is the bytes of the file as they stand,
// in the code page the adapter wrote in. Lines end at CR LF, LF or CR. The bar runs from 0 to the
// file's length in bytes divided by 40, an estimate of the lines, and is set to the number of
// entries read every tenth of that; below 240 bytes after every entry. False with *error when the
// file cannot be opened or read; false without a message when consume stopped the read.
bool ReadOldLog(const QString& path, ProgressBar* bar, const RegionalDateForm& form,
                const OldLogConsumer& consume, OldLogCounts* counts = nullptr,
                QString* error = nullptr, const OldLogReadLimits& limits = {});

// Converts the old log at oldPath into session log records in newPath (created or emptied): each
// entry whose message is recognised with the Windows 95 texts gives a record with the entry's
// time, the code and the decimal value of the message (for every code, also the addresses).
// Sets the bar's text to readingText while reading and to writingText after, and the bar's
// value to its maximum at the end. False with *error when the old log cannot be read or a record
// cannot be written (newPath may then hold part of the records).
bool ConvertOldLog(const QString& oldPath, const QString& newPath, ProgressBar* bar,
                   const QString& readingText, const QString& writingText,
                   const RegionalDateForm& form, OldLogCounts* counts = nullptr,
                   QString* error = nullptr);

// Appends every whole 14-byte record of source to the end of target, in their order, and forces
// target to disk. A torn fragment at the end of source is not a record and is not copied; *copied
// gets the number of records. False with *error on any failure (target may then hold part of
// them).
bool AppendLogFile(const QString& target, const QString& source, std::int64_t* copied = nullptr,
                   QString* error = nullptr);

// Renames "Dtally.log" to "OldLog.log" in the program folder; an older "OldLog.log" is replaced.
bool RetireOldLog(const QString& programDir, QString* error = nullptr);

} // namespace dialtally
