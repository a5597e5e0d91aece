#include "ui/printcommand.h"

#include "analysis/export.h"
#include "report/printlog.h"
#include "ui/frmmain.h"

#include <QPrintDialog>
#include <QPrinter>

namespace dialtally {
namespace {

std::function<bool(QPrinter&)>& Chooser()
{
    static std::function<bool(QPrinter&)> chooser;
    return chooser;
}

bool ChoosePrinter(QPrinter& printer, QWidget* parent)
{
    if (Chooser())
        return Chooser()(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

void SetPrinterChooser(std::function<bool(QPrinter& printer)> chooser)
{
    Chooser() = std::move(chooser);
}

void PrintCommand(frmMain& window)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Internet Usage Log"));
    printer.setCreator(QStringLiteral("Dialtally"));
    if (!ChoosePrinter(printer, &window))
        return;
    window.SetStatus(QStringLiteral("Printing Log..."));
    PainterPageSurface surface(&printer);
    if (!surface.Begin())
        return;
    ReportPrinter reportPrinter(surface);
    const SessionRange range = ShownRange(window.Sessions(), window.CurrentStatistics());
    PrintLog(reportPrinter, window.Sessions(), range.from, range.to, &window.StatBar());
}

} // namespace dialtally
