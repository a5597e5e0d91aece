#include "crashtest/crashtest.h"

namespace dialtally {

const std::vector<Scenario>& Scenarios()
{
    static const std::vector<Scenario> scenarios = {
        {"update", "the log update killed while the data file keeps growing", RunUpdateScenario},
        {"logger", "the companion logger killed while the adapter's log grows, updates beside it",
         RunLoggerScenario},
        {"full-disk", "the update and the logger with no room to write, then with room again",
         RunFullDiskScenario},
        {"delete", "the deletion of a period killed while it replaces the session log",
         RunDeleteScenario},
        {"editor-save", "the log editor's save killed while it replaces the session log",
         RunEditorSaveScenario},
        {"import", "the import of an old log killed while updates run beside it",
         RunImportScenario},
        {"pppd-logger",
         "the logger following pppd's messages in a growing syslog killed, updates beside it",
         RunPppdLoggerScenario},
        {"pppd-once", "the run over a whole pppd syslog killed while the syslog grows",
         RunPppdOnceScenario},
    };
    return scenarios;
}

} // namespace dialtally
