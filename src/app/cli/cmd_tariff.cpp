#include "analysis/tariffs.h"
#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "platform/folders.h"

#include <QFileInfo>
#include <QSettings>

namespace dialtally {
namespace {

// The store; its folder made first when a tariff is to be added. Null (status set) when the
// store is damaged.
std::unique_ptr<QSettings> OpenStore(const Places& places, bool adds, int& status)
{
    const QString file = places.SettingsFile();
    QString error;
    if (adds && !EnsureFolder(QFileInfo(file).absolutePath(), &error)) {
        status = FileFailure(error);
        return nullptr;
    }
    SettingsProblem problem;
    auto store = OpenSettingsStore(file, &problem);
    if (!store)
        status = FileFailure(problem.Text());
    return store;
}

// The saved tariff of that name; empty with status set when there is none or it does not read.
std::optional<CostSettings> SavedTariff(QSettings& store, const QString& name, int& status)
{
    TariffProblem problem;
    const auto costs = LoadSavedTariff(store, name, &problem);
    if (!costs)
        status =
            FileFailure(problem.reason.isEmpty() ? QStringLiteral("no saved tariff %1").arg(name)
                                                 : problem.Text());
    return costs;
}

int Save(QSettings& store, const QString& name)
{
    const LoadedSettings loaded = LoadSettings(store);
    SettingsProblem problem;
    if (loaded.problem || !SaveTariff(store, name, loaded.costs, &problem))
        return FileFailure(loaded.problem ? loaded.problem->Text() : problem.Text());
    return kExitOk;
}

int Show(QSettings& store, const QString& name)
{
    int status = kExitOk;
    if (const auto costs = SavedTariff(store, name, status))
        PrintOut(TariffText(*costs));
    return status;
}

int Use(QSettings& store, const QString& name)
{
    int status = kExitOk;
    const auto costs = SavedTariff(store, name, status);
    if (!costs)
        return status;
    SettingsProblem problem;
    return UseTariff(store, *costs, &problem) ? kExitOk : FileFailure(problem.Text());
}

int Delete(QSettings& store, const QString& name)
{
    if (!SavedTariffNames(store).contains(name))
        return FileFailure(QStringLiteral("no saved tariff %1").arg(name));
    SettingsProblem problem;
    return DeleteSavedTariff(store, name, &problem) ? kExitOk : FileFailure(problem.Text());
}

int Export(QSettings& store, const QString& name, const QString& path)
{
    int status = kExitOk;
    const auto costs = SavedTariff(store, name, status);
    if (!costs)
        return status;
    QString error;
    return WriteTariffFile(path, *costs, &error) ? kExitOk : FileFailure(error);
}

// A file that does not read changes nothing.
int Import(QSettings& store, const QString& path, const QString& name)
{
    TariffProblem problem;
    const auto costs = ReadTariffFile(path, &problem);
    if (!costs)
        return FileFailure(QStringLiteral("%1: %2").arg(path, problem.Text()));
    SettingsProblem saveProblem;
    return SaveTariff(store, name, *costs, &saveProblem) ? kExitOk
                                                         : FileFailure(saveProblem.Text());
}

struct Action {
    const char* name;
    int words; // after the action's name
};

constexpr Action kActions[] = {{"save", 1},   {"list", 0},   {"show", 1},  {"use", 1},
                               {"delete", 1}, {"export", 2}, {"import", 2}};

// The NAME among the words, which must be a tariff name.
bool CheckName(const QString& name, int& status)
{
    if (IsTariffName(name))
        return true;
    status = UsageError(
        QStringLiteral("%1 is no tariff name: 1 to 40 letters, digits, - or _").arg(name));
    return false;
}

} // namespace

int RunTariff(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {}, &error))
        return UsageError(error);
    const QStringList& words = parsed.Positional();
    const QString action = words.value(0);
    const Action* known = nullptr;
    for (const Action& a : kActions)
        if (action == QLatin1String(a.name))
            known = &a;
    if (!known)
        return UsageError(action.isEmpty() ? QStringLiteral("tariff needs an action")
                                           : QStringLiteral("unknown action %1").arg(action));
    if (words.size() != known->words + 1)
        return UsageError(
            QStringLiteral("tariff %1 takes %2 word(s)").arg(action).arg(known->words));
    int status = kExitOk;
    const QString name = action == QLatin1String("import") ? words.value(2) : words.value(1);
    if (known->words > 0 && !CheckName(name, status))
        return status;
    const bool adds = action == QLatin1String("save") || action == QLatin1String("import");
    const auto store = OpenStore(places, adds, status);
    if (!store)
        return status;
    if (action == QLatin1String("list")) {
        const QStringList names = SavedTariffNames(*store);
        PrintOut(names.isEmpty() ? QString() : names.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        return kExitOk;
    }
    if (action == QLatin1String("save"))
        return Save(*store, name);
    if (action == QLatin1String("show"))
        return Show(*store, name);
    if (action == QLatin1String("use"))
        return Use(*store, name);
    if (action == QLatin1String("delete"))
        return Delete(*store, name);
    if (action == QLatin1String("export"))
        return Export(*store, name, words.value(2));
    return Import(*store, words.value(1), name);
}

} // namespace dialtally
