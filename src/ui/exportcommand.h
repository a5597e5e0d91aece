#pragma once

namespace dialtally {

class frmMain;

// Write Data File: asks for a file in Qt's save dialog (text files, or all files) and writes the
// sessions of the period shown, or of the whole log, to it as tab-separated text (ExportText).
// Cancelling the dialog ends the command without a message; a failure names the file and the
// reason.
void WriteDataFile(frmMain& window);

} // namespace dialtally
