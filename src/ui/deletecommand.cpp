#include "ui/deletecommand.h"

#include "analysis/formatting.h"
#include "log/maintenance.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"
#include "ui/sessiontablemodel.h"

#include <QApplication>
#include <QDir>

namespace dialtally {
namespace {

QString TimeText(const std::optional<DateTime>& time)
{
    return time ? FormatDateTime(*time) : QString();
}

void ReportFailure(frmMain& window, const DeletionReport& report)
{
    if (report.replace.logOnlyInBackup)
        MessageBox::Show(
            &window,
            LogDestroyedText(
                QDir(window.WindowPlaces().programDir).filePath(kSessionLogBackupName)),
            MessageBox::Icon::Exclamation);
    MessageBox::Show(&window, kCouldNotDeleteText + QStringLiteral("\r\n") + report.replace.error,
                     MessageBox::Icon::Exclamation);
}

} // namespace

void DeleteSelected(frmMain& window)
{
    ProgressBar& bar = window.StatBar();
    bar.SetMin(0);
    bar.SetMax(10);
    const auto [firstRow, lastRow] = window.SelectedSessionRows();
    const SessionTableModel& table = window.SessionTable();
    const auto firstIndex = table.SessionIndexOfRow(firstRow);
    const auto lastIndex = table.SessionIndexOfRow(lastRow);
    if (!firstIndex || !lastIndex)
        return;
    const SessionRecord& first = window.Sessions()[*firstIndex];
    const SessionRecord& last = window.Sessions()[*lastIndex];
    const auto span = SpanOfSessions(first, last, window.AdditionalConnectSeconds());
    if (!span)
        return;
    if (MessageBox::Confirm(&window, DeleteQuestion(TimeText(first.vUp), TimeText(last.vDown))) !=
        MessageBox::Answer::Ok)
        return;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    bar.SetValue(4);
    bar.SetText(kDeletingText);
    DeletionReport report;
    if (!DeleteLogPeriod(UpdateSettingsFor(window.WindowPlaces()), *span, &bar, &report)) {
        bar.SetText(QString());
        bar.SetValue(0);
        QApplication::restoreOverrideCursor();
        ReportFailure(window, report);
        return;
    }
    bar.SetValue(bar.Max());
    window.RefreshAll(frmMain::kReload);
    window.ShowSumOfSelection();
    QApplication::restoreOverrideCursor();
    MessageBox::Show(&window, kPartDeletedText, MessageBox::Icon::Information);
}

} // namespace dialtally
