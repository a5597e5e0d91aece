#include "app/cli/livesettings.h"

#include "analysis/liveoptions.h"
#include "app/cli/cliargs.h"

#include <QSettings>

namespace dialtally {

QStringList TakeLiveOptionWords(QStringList& words)
{
    const QStringList names = LiveOptionNames();
    QStringList taken;
    for (auto it = words.begin(); it != words.end();) {
        if (names.contains(it->section(QLatin1Char('='), 0, 0)) && it->contains(QLatin1Char('='))) {
            taken << *it;
            it = words.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

int SetLiveOptionWords(QSettings& store, const QStringList& words)
{
    if (words.isEmpty())
        return kExitOk;
    LiveOptions options = LoadLiveOptions(store);
    for (const QString& word : words) {
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const QString name = word.left(equals);
        const QString value = word.mid(equals + 1);
        if (!SetLiveOption(options, name, value))
            return UsageError(QStringLiteral("Data Not Valid: %1=%2").arg(name, value));
    }
    SettingsProblem problem;
    if (!SaveLiveOptions(store, options, &problem))
        return FileFailure(problem.Text());
    return kExitOk;
}

QString LiveOptionLines(QSettings& store)
{
    return LiveOptionsText(LoadLiveOptions(store));
}

} // namespace dialtally
