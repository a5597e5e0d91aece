#pragma once

#include "log/progress.h"
#include "log/sessionlog.h"
#include "report/reportprinter.h"

#include <QLocale>
#include <QString>

namespace dialtally {

// The printed report of a run of sessions: the page number, the title "Internet Usage Log", a
// two-line column header, one line per session and a totals line, on as many pages as it takes.
// A page ends as soon as a session line ends below 90 % of the page height; the pages after the
// first start with their number, without the column headers.

// The column positions as fractions of the page width: connection up, connection down, length,
// transmitted, received, communication costs, service costs.
inline constexpr double kReportColumns[] = {0.05, 0.25, 0.45, 0.55, 0.65, 0.77, 0.87};

// Prints sessions first..last of the list (none when first > last) and ends the document. The
// bar shows "Printing log..." and runs from first to last; it is left at 0. False when the
// document could not be finished.
bool PrintLog(ReportPrinter& printer, const SessionList& sessions, SessionIndex first,
              SessionIndex last, ProgressBar* bar, const QLocale& locale = QLocale());

// The two header lines and the rule under them.
void PrintColumnHeaders(ReportPrinter& printer);

// The page number, ending one space width left of the middle of the page, at the current line.
void PrintPageNumber(ReportPrinter& printer);

// The report as a PDF file of A4 pages (Letter where the locale measures in inches): the command
// line's report. False with *error naming the file and the reason.
bool PrintLogToPdf(const QString& path, const SessionList& sessions, SessionIndex first,
                   SessionIndex last, ProgressBar* bar, QString* error = nullptr,
                   const QLocale& locale = QLocale());

} // namespace dialtally
