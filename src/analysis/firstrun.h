#pragma once

#include <QSettings>

namespace dialtally {

// The program's first run is the run in which the user has not accepted the agreement yet. The
// acceptance is kept in the settings store in a section of its own, "FirstRun", which the version
// check of the "Costs" section never touches: key "bAgreementAccepted" with "True".

// True when the store holds no acceptance. A store that cannot be read (damaged, so that nothing
// may write it) is a store of an earlier run: false.
bool IsFirstRun(const QSettings* store);

// Keeps the acceptance; false when the store cannot be written (or must not be: damaged).
bool RecordAgreementAccepted(QSettings* store);

} // namespace dialtally
