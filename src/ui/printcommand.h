#pragma once

#include <functional>

class QPrinter;

namespace dialtally {

class frmMain;

// Print Log: the printer dialog (without page ranges and selection, with the printer's own copy
// count, and with printing to a PDF file, so that a machine without printers still gets its
// report), then the printed report of the period shown, or of the whole log, on the printer
// chosen. Cancelling the dialog ends the command; a printer that fails ends it silently.
void PrintCommand(frmMain& window);

// Test hook: instead of the dialog, chooser sets up the printer (a PDF file) and says whether to
// print. An empty function brings the dialog back.
void SetPrinterChooser(std::function<bool(QPrinter& printer)> chooser);

} // namespace dialtally
