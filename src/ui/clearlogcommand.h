#pragma once

namespace dialtally {

class frmMain;

// Clear Log: asks, deletes "SesLog.log" ("SesLog.bak" and the logger's files stay), says "Log
// Cleared." and runs the Update command, which reads what the logger collected since into the new
// log. Cancel changes nothing; a log that cannot be deleted ends the command without a message
// box, with the reason in the status line.
void ClearLog(frmMain& window);

} // namespace dialtally
