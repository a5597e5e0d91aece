#include "analysis/firstrun.h"

#include "analysis/settingscheck.h"

namespace dialtally {
namespace {

const QString kAcceptedKey = QStringLiteral("FirstRun/bAgreementAccepted");
const QString kTrue = QStringLiteral("True");

} // namespace

bool IsFirstRun(const QSettings* store)
{
    if (!store)
        return false;
    return store->value(kAcceptedKey).toString().trimmed().compare(kTrue, Qt::CaseInsensitive) != 0;
}

bool RecordAgreementAccepted(QSettings* store)
{
    if (!store || !CheckSettingsFile(store->fileName()))
        return false;
    store->setValue(kAcceptedKey, kTrue);
    store->sync();
    return store->status() != QSettings::AccessError;
}

} // namespace dialtally
