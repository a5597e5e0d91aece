#pragma once

#include "analysis/analysis.h"
#include "log/sessionlog.h"

#include <QLocale>
#include <QString>
#include <QStringList>

namespace dialtally {

// The text export that a spreadsheet reads: a header line and one line per session, fields
// separated by one TAB, lines ended by CR LF, no quoting and no trailing TAB:
//   up date, up time, down date, down time (the locale's "Short Date" and "Long Time"), duration
//   in seconds, bytes transmitted, bytes received, communication costs, service costs.
// A communication cost is the plain number with the locale's decimal separator; a service cost
// the same number with one space before and one after it; both are empty when that cost is off.
// The up time is the one the table shows, moved earlier by the connect-time allowance.
//
// The text is written in the locale's 8-bit encoding, which on Linux is UTF-8: plain ASCII for
// the usual numeric dates, and the locale's own letters (a time of day with "오후" or "下午")
// as a spreadsheet of the same desktop reads them.

QStringList ExportHeaders();

// A cost as the export writes it: unrounded (to the 15 significant digits a double holds
// reliably), never in exponent form, without thousands separators.
QString PlainNumberText(double value, const QLocale& locale = QLocale());

// Writes the sessions from..to of the list (an empty range writes the header alone) to path,
// replacing its content. False with *error naming the file and the reason when the file cannot
// be written or a session has no up or down time; what was written before stays in the file.
bool ExportText(const QString& path, const SessionList& sessions, SessionIndex from,
                SessionIndex to, QString* error = nullptr, const QLocale& locale = QLocale());

// The sessions that Write Data File exports and Print prints: those of the period shown
// (statistics.fSelection), else the whole list. Empty (from > to) when the period holds none.
struct SessionRange {
    SessionIndex from = 0;
    SessionIndex to = -1;
};
SessionRange ShownRange(const SessionList& sessions, const Statistics& statistics);

} // namespace dialtally
