#include "analysis/firstrun.h"

#include <QSettings>

namespace dialtally {
namespace {

const QString kFirstRunDone = QStringLiteral("Run/bFirstRunDone");

} // namespace

bool IsFirstRun(QSettings& store)
{
    return store.value(kFirstRunDone).toString() != QLatin1String("True");
}

bool MarkFirstRunDone(QSettings& store, SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    store.setValue(kFirstRunDone, QStringLiteral("True"));
    store.sync();
    if (store.status() != QSettings::AccessError)
        return true;
    if (problem)
        *problem = {store.fileName(), 0, QStringLiteral("cannot be written")};
    return false;
}

} // namespace dialtally
