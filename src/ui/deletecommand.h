#pragma once

namespace dialtally {

class frmMain;

// Delete: removes from the session log the period of the sessions selected in the session table,
// from the first selected session's logged connect time less 8 seconds to 4 seconds after the
// last one's disconnect time, after the user agreed. The previous log stays as "SesLog.bak". On
// success the window reloads the log; a failure is reported with its reason. Rows that show no
// session, or sessions without the times the span needs, end the command without a message.
void DeleteSelected(frmMain& window);

} // namespace dialtally
