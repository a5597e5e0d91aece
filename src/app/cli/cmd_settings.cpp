#include "analysis/liveoptions.h"
#include "analysis/ownsettings.h"
#include "analysis/settings.h"
#include "analysis/tariffinput.h"
#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "app/cli/json.h"
#include "app/cli/livesettings.h"
#include "platform/files.h"
#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

namespace dialtally {
namespace {

const QString kTrue = QStringLiteral("True");
const QString kFalse = QStringLiteral("False");

QString FlagText(bool value)
{
    return value ? kTrue : kFalse;
}

QString DayText(const RateGrid& grid, int weekday)
{
    QString text;
    for (int hour = 0; hour < kHoursPerDay; ++hour)
        text += QString::number(grid(hour, weekday));
    return text;
}

// The lines that `settings set` takes back.
void PrintSettingsText(const LoadedSettings& loaded)
{
    const CostSettings& c = loaded.costs;
    QString text;
    const auto line = [&text](const QString& name, const QString& value) {
        text += name + QLatin1Char('=') + value + QLatin1Char('\n');
    };
    line(QStringLiteral("bCommCosts"), FlagText(c.bCommCosts));
    line(QStringLiteral("vCommConnect"), MoneyText(c.vCommConnect));
    for (int n = 1; n <= 3; ++n)
        line(QStringLiteral("vCommRate%1").arg(n), MoneyText(c.vCommRate[n - 1]));
    line(QStringLiteral("vCommRateDelayMinutes"), QString::number(c.vCommRateDelayMinutes));
    for (int d = 1; d <= kDaysPerWeek; ++d)
        line(QStringLiteral("vCommRatesDay%1").arg(d), DayText(c.vCommRatesDay, d));
    line(QStringLiteral("bServCosts"), FlagText(c.bServCosts));
    line(QStringLiteral("vServConnect"), MoneyText(c.vServConnect));
    line(QStringLiteral("vServMinute"), MoneyText(c.vServMinute));
    line(QStringLiteral("vServFlatMonth"), MoneyText(c.vServFlatMonth));
    line(QStringLiteral("bServRounding"), FlagText(c.bServRounding));
    line(QStringLiteral("vServDataMb"), MoneyText(c.vServDataMb));
    line(QStringLiteral("vAditionalConnectSeconds"),
         QString::number(loaded.vAditionalConnectSeconds));
    line(QStringLiteral("holidays"), HolidayListText(c.vHolidays));
    line(QStringLiteral("billingStartDay"), QString::number(loaded.cycle.StartDay()));
    PrintOut(text);
}

// The live options beside the tariffs; a budget that is not set is null.
void AppendLiveOptionsJson(Json& json, std::string& out, const LiveOptions& live)
{
    const Budgets& b = live.budgets;
    json.Key("followLogger").Bool(live.bFollowLogger);
    json.Key("keepInTray").Bool(live.bKeepInTray);
    json.Key("budgetCost").Number(b.vBudgetCost);
    json.Key("budgetMinutes");
    b.vBudgetMinutes ? json.Int(*b.vBudgetMinutes) : json.Null();
    json.Key("budgetBytes");
    b.vBudgetBytes ? json.Int(*b.vBudgetBytes) : json.Null();
    json.Key("budgetWarn");
    out += "[";
    json.Int(b.iBudgetWarn[0]);
    out += ", ";
    json.Int(b.iBudgetWarn[1]);
    out += "]";
}

void PrintSettingsJson(const LoadedSettings& loaded, const LiveOptions& live)
{
    const CostSettings& c = loaded.costs;
    std::string out;
    Json json(out);
    json.Key("commCosts").Bool(c.bCommCosts);
    json.Key("commConnect").Number(c.vCommConnect);
    json.Key("commRates");
    for (std::size_t n = 0; n < c.vCommRate.size(); ++n) {
        out += n == 0 ? "[" : ", ";
        json.Number(c.vCommRate[n]);
    }
    out += "]";
    json.Key("commRateDelayMinutes").Int(c.vCommRateDelayMinutes);
    json.Key("commRatesDays");
    for (int d = 1; d <= kDaysPerWeek; ++d) {
        out += d == 1 ? "[" : ", ";
        json.Text(DayText(c.vCommRatesDay, d).toStdString());
    }
    out += "]";
    json.Key("servCosts").Bool(c.bServCosts);
    json.Key("servConnect").Number(c.vServConnect);
    json.Key("servMinute").Number(c.vServMinute);
    json.Key("servDataMb").Number(c.vServDataMb);
    json.Key("servFlatMonth").Number(c.vServFlatMonth);
    json.Key("servRounding").Bool(c.bServRounding);
    json.Key("allowanceSeconds").Int(loaded.vAditionalConnectSeconds);
    json.Key("holidays");
    out += "[";
    for (std::size_t n = 0; n < c.vHolidays.size(); ++n) {
        out += n == 0 ? "" : ", ";
        json.Text(HolidayText(c.vHolidays[n]).toStdString());
    }
    out += "]";
    json.Key("billingStartDay").Int(loaded.cycle.StartDay());
    AppendLiveOptionsJson(json, out, live);
    json.End();
    PrintOut(out + '\n');
}

// ---------------------------------------------------------------------------------------------
// settings set

// Which groups of the store a change touches; each is saved as the dialog of that group saves it.
struct Touched {
    bool communication = false;
    bool service = false;
    bool allowance = false;
    bool holidays = false;
    bool cycle = false;
};

// Takes one value with the checks and the rounding of the dialog that edits it; false when the
// value fails them.
using Setter = std::function<bool(const QString& value, LoadedSettings& settings)>;

struct Setting {
    QString name;
    Setter set;
    bool Touched::*group;
};

Setter FlagSetter(bool CostSettings::*field)
{
    return [field](const QString& value, LoadedSettings& s) {
        if (value.compare(kTrue, Qt::CaseInsensitive) == 0)
            s.costs.*field = true;
        else if (value.compare(kFalse, Qt::CaseInsensitive) == 0)
            s.costs.*field = false;
        else
            return false;
        return true;
    };
}

Setter MoneySetter(std::function<double&(CostSettings&)> field)
{
    return [field](const QString& value, LoadedSettings& s) {
        const auto amount = ReadMoneyInput(value);
        if (amount)
            field(s.costs) = *amount;
        return amount.has_value();
    };
}

// The service costs dialog stores the time charge and the flat fee as the texts it shows for the
// units Minute and Month; so does the command line.
Setter ShownAmountSetter(double CostSettings::*field,
                         std::function<std::optional<QString>(double)> shown)
{
    return [field, shown](const QString& value, LoadedSettings& s) {
        const auto amount = ReadMoneyInput(value);
        const auto text = amount ? shown(*amount) : std::nullopt;
        const auto stored = text ? ReadMoneyInput(*text) : std::nullopt;
        if (stored)
            s.costs.*field = *stored;
        return stored.has_value();
    };
}

Setter DaySetter(int weekday)
{
    return [weekday](const QString& value, LoadedSettings& s) {
        if (value.size() != kHoursPerDay)
            return false;
        for (const QChar ch : value)
            if (ch < QLatin1Char('1') || ch > QLatin1Char('3'))
                return false;
        for (int hour = 0; hour < kHoursPerDay; ++hour)
            s.costs.vCommRatesDay(hour, weekday) =
                static_cast<std::int16_t>(value.at(hour).unicode() - '0');
        return true;
    };
}

std::vector<Setting> SettableSettings()
{
    std::vector<Setting> all;
    const auto comm = &Touched::communication;
    const auto serv = &Touched::service;
    all.push_back({QStringLiteral("bCommCosts"), FlagSetter(&CostSettings::bCommCosts), comm});
    all.push_back({QStringLiteral("vCommConnect"),
                   MoneySetter([](CostSettings& c) -> double& { return c.vCommConnect; }), comm});
    for (std::size_t n = 0; n < 3; ++n)
        all.push_back({QStringLiteral("vCommRate%1").arg(n + 1),
                       MoneySetter([n](CostSettings& c) -> double& { return c.vCommRate[n]; }),
                       comm});
    // A negative delay is refused as the dialog refuses it.
    all.push_back({QStringLiteral("vCommRateDelayMinutes"),
                   [](const QString& value, LoadedSettings& s) {
                       const auto minutes = ReadWholeInput(value);
                       if (!minutes || *minutes < 0)
                           return false;
                       s.costs.vCommRateDelayMinutes = *minutes;
                       return true;
                   },
                   comm});
    for (int d = 1; d <= kDaysPerWeek; ++d)
        all.push_back({QStringLiteral("vCommRatesDay%1").arg(d), DaySetter(d), comm});
    all.push_back({QStringLiteral("bServCosts"), FlagSetter(&CostSettings::bServCosts), serv});
    all.push_back({QStringLiteral("vServConnect"),
                   MoneySetter([](CostSettings& c) -> double& { return c.vServConnect; }), serv});
    all.push_back({QStringLiteral("vServMinute"),
                   ShownAmountSetter(&CostSettings::vServMinute,
                                     [](double v) { return PerMinuteAmount(v, TimeUnit::Minute); }),
                   serv});
    all.push_back({QStringLiteral("vServFlatMonth"),
                   ShownAmountSetter(&CostSettings::vServFlatMonth,
                                     [](double v) { return PerMonthAmount(v, FlatUnit::Month); }),
                   serv});
    all.push_back(
        {QStringLiteral("bServRounding"), FlagSetter(&CostSettings::bServRounding), serv});
    all.push_back({QStringLiteral("vServDataMb"),
                   MoneySetter([](CostSettings& c) -> double& { return c.vServDataMb; }), serv});
    all.push_back({QStringLiteral("vAditionalConnectSeconds"),
                   [](const QString& value, LoadedSettings& s) {
                       const auto seconds = ReadWholeInput(value);
                       if (seconds)
                           s.vAditionalConnectSeconds = *seconds;
                       return seconds.has_value();
                   },
                   &Touched::allowance});
    all.push_back({QStringLiteral("holidays"),
                   [](const QString& value, LoadedSettings& s) {
                       const auto holidays = ReadHolidayList(value);
                       if (holidays)
                           s.costs.vHolidays = *holidays;
                       return holidays.has_value();
                   },
                   &Touched::holidays});
    all.push_back({QStringLiteral("billingStartDay"),
                   [](const QString& value, LoadedSettings& s) {
                       bool ok = false;
                       const int day = value.toInt(&ok);
                       if (!ok || day < BillingCycle::kFirstStartDay ||
                           day > BillingCycle::kLastStartDay)
                           return false;
                       s.cycle = BillingCycle(day);
                       return true;
                   },
                   &Touched::cycle});
    return all;
}

const Setting* FindSetting(const std::vector<Setting>& all, const QString& name)
{
    for (const Setting& setting : all)
        if (setting.name == name)
            return &setting;
    return nullptr;
}

bool SaveTouched(QSettings& store, const LoadedSettings& s, const Touched& touched,
                 SettingsProblem* problem)
{
    if (touched.communication && !SaveCommunicationSettings(store, s.costs, QLocale(), problem))
        return false;
    if (touched.service && !SaveServiceSettings(store, s.costs, QLocale(), problem))
        return false;
    if (touched.allowance && !SaveConnectSeconds(store, s.vAditionalConnectSeconds, problem))
        return false;
    if (touched.holidays && !SaveHolidays(store, s.costs.vHolidays, problem))
        return false;
    if (touched.cycle && !SaveBillingCycle(store, s.cycle, problem))
        return false;
    return true;
}

using Change = std::pair<const Setting*, QString>;

// The NAME=VALUE words as changes; empty with the message in error when a word is none.
std::vector<Change> ParseChanges(const QStringList& words, const std::vector<Setting>& all,
                                 QString* error)
{
    std::vector<Change> changes;
    for (const QString& word : words) {
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            *error = QStringLiteral("expected NAME=VALUE, not %1").arg(word);
            return {};
        }
        const Setting* setting = FindSetting(all, word.left(equals));
        if (!setting) {
            *error = QStringLiteral("unknown setting %1").arg(word.left(equals));
            return {};
        }
        changes.emplace_back(setting, word.mid(equals + 1));
    }
    return changes;
}

// Fills copy, a new file beside file, with the bytes of file (none when it is missing) and its
// permissions.
bool CopyStore(const QString& file, QTemporaryFile& copy)
{
    QFile original(file);
    if (!copy.open() || (original.exists() && (!original.open(QIODevice::ReadOnly) ||
                                               copy.write(original.readAll()) != original.size())))
        return false;
    copy.close();
    return !original.exists() || QFile::setPermissions(copy.fileName(), original.permissions());
}

// Puts the copy, forced to disk, in the place of file in one rename.
bool ReplaceStore(const QString& copy, const QString& file, QString* error)
{
    QFile written(copy);
    if (!written.open(QIODevice::ReadOnly) || !SyncFileData(written.handle())) {
        *error = QStringLiteral("%1: cannot be written").arg(file);
        return false;
    }
    written.close();
    std::error_code renameError;
    std::filesystem::rename(copy.toStdString(), file.toStdString(), renameError);
    if (renameError) {
        *error = QStringLiteral("%1: %2").arg(file, QString::fromStdString(renameError.message()));
        return false;
    }
    SyncFolder(QFileInfo(file).absolutePath().toStdString());
    return true;
}

// The store is changed on a copy beside it, which then replaces it in one rename: a set either
// happens whole or not at all, and a value that fails its check leaves the file as it was (not
// even the start-up's own rewrite of an older store reaches it).
int RunSettingsSet(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {}, &error))
        return UsageError(error);
    if (parsed.Positional().isEmpty())
        return UsageError(QStringLiteral("settings set needs NAME=VALUE"));
    const std::vector<Setting> all = SettableSettings();
    QStringList words = parsed.Positional();
    const QStringList liveWords = TakeLiveOptionWords(words);
    std::vector<Change> changes;
    if (!words.isEmpty() && (changes = ParseChanges(words, all, &error)).empty())
        return UsageError(error);

    const QString file = places.SettingsFile();
    SettingsProblem problem;
    if (!CheckSettingsFile(file, &problem))
        return FileFailure(problem.Text());
    if (!EnsureFolder(QFileInfo(file).absolutePath(), &error))
        return FileFailure(error);
    QTemporaryFile copy(file + QStringLiteral(".XXXXXX"));
    if (!CopyStore(file, copy))
        return FileFailure(QStringLiteral("%1: cannot be copied").arg(file));

    QSettings store(copy.fileName(), QSettings::IniFormat);
    LoadedSettings loaded = LoadSettings(store);
    Touched touched;
    for (const auto& [setting, value] : changes) {
        if (!setting->set(value, loaded))
            return UsageError(QStringLiteral("Data Not Valid: %1=%2").arg(setting->name, value));
        touched.*(setting->group) = true;
    }
    if (const int status = SetLiveOptionWords(store, liveWords); status != kExitOk)
        return status;
    if (!SaveTouched(store, loaded, touched, &problem))
        return FileFailure(problem.Text());
    if (!ReplaceStore(copy.fileName(), file, &error))
        return FileFailure(error);
    return kExitOk;
}

} // namespace

int RunSettings(const QStringList& args, const Places& places)
{
    if (!args.isEmpty() && args.first() == QLatin1String("set"))
        return RunSettingsSet(args.mid(1), places);
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {{QStringLiteral("--json"), false}}, &error))
        return UsageError(error);
    if (!parsed.Positional().isEmpty())
        return UsageError(
            QStringLiteral("unexpected argument %1").arg(parsed.Positional().first()));
    const LoadedSettings loaded = LoadUserSettings(places.SettingsFile());
    if (loaded.problem)
        return FileFailure(loaded.problem->Text());
    QSettings store(places.SettingsFile(), QSettings::IniFormat);
    if (parsed.Has(QStringLiteral("--json"))) {
        PrintSettingsJson(loaded, LoadLiveOptions(store));
    } else {
        PrintSettingsText(loaded);
        PrintOut(LiveOptionLines(store));
    }
    return kExitOk;
}

} // namespace dialtally
