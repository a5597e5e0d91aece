#include "analysis/tariffs.h"

#include "analysis/ownsettings.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <charconv>
#include <cmath>
#include <functional>
#include <set>

namespace dialtally {
namespace {

const QString kTariffPrefix = QStringLiteral("Tariff.");

QString NumberText(double value)
{
    char buffer[512]; // the fixed form of any finite double
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}

QString FlagWord(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString DayCodes(const RateGrid& grid, int weekday)
{
    QString text;
    for (int hour = 0; hour < kHoursPerDay; ++hour)
        text += QString::number(grid(hour, weekday));
    return text;
}

// Reads one value into the costs; the reason when it does not read.
using Reader = std::function<QString(const QString& value, CostSettings& costs)>;

Reader Flag(bool CostSettings::*field)
{
    return [field](const QString& value, CostSettings& costs) {
        if (value == QLatin1String("true"))
            costs.*field = true;
        else if (value == QLatin1String("false"))
            costs.*field = false;
        else
            return QStringLiteral("not true or false");
        return QString();
    };
}

Reader Amount(std::function<double&(CostSettings&)> field)
{
    return [field](const QString& value, CostSettings& costs) {
        static const QRegularExpression number(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
        if (!number.match(value).hasMatch())
            return QStringLiteral("not a number");
        const QByteArray latin = value.toLatin1();
        double parsed = 0.0;
        const auto result = std::from_chars(latin.data(), latin.data() + latin.size(), parsed);
        if (result.ec != std::errc() || !std::isfinite(parsed))
            return QStringLiteral("not a number");
        field(costs) = parsed;
        return QString();
    };
}

Reader Delay()
{
    return [](const QString& value, CostSettings& costs) {
        bool ok = false;
        const int minutes = value.toInt(&ok);
        if (!ok || minutes < 0 || minutes > 32767 || value.startsWith(QLatin1Char('+')))
            return QStringLiteral("not a whole number of minutes 0..32767");
        costs.vCommRateDelayMinutes = static_cast<std::int16_t>(minutes);
        return QString();
    };
}

Reader Day(int weekday)
{
    return [weekday](const QString& value, CostSettings& costs) {
        static const QRegularExpression codes(QStringLiteral("^[123]{24}$"));
        if (!codes.match(value).hasMatch())
            return QStringLiteral("not 24 rate codes 1, 2 or 3");
        for (int hour = 0; hour < kHoursPerDay; ++hour)
            costs.vCommRatesDay(hour, weekday) =
                static_cast<std::int16_t>(value.at(hour).unicode() - '0');
        return QString();
    };
}

Reader Holidays()
{
    return [](const QString& value, CostSettings& costs) {
        QString bad;
        const auto holidays = ReadHolidayList(value, &bad);
        if (!holidays)
            return QStringLiteral("\"%1\" is not a holiday").arg(bad);
        costs.vHolidays = *holidays;
        return QString();
    };
}

struct Key {
    QString name;
    Reader read;
};

const std::vector<Key>& Keys()
{
    static const std::vector<Key> keys = [] {
        std::vector<Key> all;
        const auto amount = [&all](const char* name, double CostSettings::*field) {
            all.push_back({QLatin1String(name),
                           Amount([field](CostSettings& c) -> double& { return c.*field; })});
        };
        all.push_back({QStringLiteral("commCosts"), Flag(&CostSettings::bCommCosts)});
        amount("commConnect", &CostSettings::vCommConnect);
        for (std::size_t n = 0; n < 3; ++n)
            all.push_back({QStringLiteral("commRate%1").arg(n + 1),
                           Amount([n](CostSettings& c) -> double& { return c.vCommRate[n]; })});
        all.push_back({QStringLiteral("commRateDelayMinutes"), Delay()});
        for (int d = 1; d <= kDaysPerWeek; ++d)
            all.push_back({QStringLiteral("commRatesDay%1").arg(d), Day(d)});
        all.push_back({QStringLiteral("holidays"), Holidays()});
        all.push_back({QStringLiteral("servCosts"), Flag(&CostSettings::bServCosts)});
        amount("servConnect", &CostSettings::vServConnect);
        amount("servMinute", &CostSettings::vServMinute);
        amount("servFlatMonth", &CostSettings::vServFlatMonth);
        all.push_back({QStringLiteral("servRounding"), Flag(&CostSettings::bServRounding)});
        amount("servDataMb", &CostSettings::vServDataMb);
        return all;
    }();
    return keys;
}

const Key* FindKey(const QString& name)
{
    for (const Key& key : Keys())
        if (key.name == name)
            return &key;
    return nullptr;
}

std::optional<CostSettings> Refuse(TariffProblem* problem, int line, const QString& reason)
{
    if (problem)
        *problem = {line, reason};
    return std::nullopt;
}

// The first fault names the line of its entry; a missing key names none.
std::optional<CostSettings> ReadNumberedEntries(const std::vector<TariffEntry>& entries,
                                                const std::vector<int>& lineOf,
                                                TariffProblem* problem)
{
    CostSettings costs;
    std::set<QString> seen;
    for (std::size_t n = 0; n < entries.size(); ++n) {
        const auto& [name, value] = entries[n];
        const Key* key = FindKey(name);
        if (!key)
            return Refuse(problem, lineOf[n], QStringLiteral("%1: unknown key").arg(name));
        if (!seen.insert(name).second)
            return Refuse(problem, lineOf[n], QStringLiteral("%1: given twice").arg(name));
        if (const QString reason = key->read(value, costs); !reason.isEmpty())
            return Refuse(problem, lineOf[n], name + QStringLiteral(": ") + reason);
    }
    for (const Key& key : Keys())
        if (!seen.contains(key.name))
            return Refuse(problem, 0, QStringLiteral("%1: missing").arg(key.name));
    return costs;
}

QString SectionKey(const QString& name, const QString& key)
{
    return kTariffPrefix + name + QLatin1Char('/') + key;
}

} // namespace

QString TariffProblem::Text() const
{
    return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason;
}

std::vector<TariffEntry> TariffEntries(const CostSettings& c)
{
    std::vector<TariffEntry> entries;
    const auto add = [&entries](const char* key, const QString& value) {
        entries.emplace_back(QLatin1String(key), value);
    };
    add("commCosts", FlagWord(c.bCommCosts));
    add("commConnect", NumberText(c.vCommConnect));
    add("commRate1", NumberText(c.vCommRate[0]));
    add("commRate2", NumberText(c.vCommRate[1]));
    add("commRate3", NumberText(c.vCommRate[2]));
    add("commRateDelayMinutes", QString::number(c.vCommRateDelayMinutes));
    for (int d = 1; d <= kDaysPerWeek; ++d)
        entries.emplace_back(QStringLiteral("commRatesDay%1").arg(d), DayCodes(c.vCommRatesDay, d));
    add("holidays", HolidayListText(c.vHolidays));
    add("servCosts", FlagWord(c.bServCosts));
    add("servConnect", NumberText(c.vServConnect));
    add("servMinute", NumberText(c.vServMinute));
    add("servFlatMonth", NumberText(c.vServFlatMonth));
    add("servRounding", FlagWord(c.bServRounding));
    add("servDataMb", NumberText(c.vServDataMb));
    return entries;
}

std::optional<CostSettings> ReadTariffEntries(const std::vector<TariffEntry>& entries,
                                              TariffProblem* problem, int firstLine)
{
    std::vector<int> lines(entries.size());
    for (std::size_t n = 0; n < lines.size(); ++n)
        lines[n] = firstLine + static_cast<int>(n);
    return ReadNumberedEntries(entries, lines, problem);
}

QString TariffText(const CostSettings& costs)
{
    QString text = kTariffFormatLine + QLatin1Char('\n');
    for (const auto& [key, value] : TariffEntries(costs))
        text += key + QStringLiteral(" = ") + value + QLatin1Char('\n');
    return text;
}

std::optional<CostSettings> ReadTariffText(const QString& text, TariffProblem* problem)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    if (lines.isEmpty() || lines.first().trimmed() != kTariffFormatLine)
        return Refuse(problem, 1,
                      QStringLiteral("not a tariff file: the first line must be \"%1\"")
                          .arg(kTariffFormatLine));
    std::vector<TariffEntry> entries;
    std::vector<int> lineOf;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            return Refuse(problem, static_cast<int>(i + 1), QStringLiteral("expected KEY = VALUE"));
        entries.emplace_back(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        lineOf.push_back(static_cast<int>(i + 1));
    }
    return ReadNumberedEntries(entries, lineOf, problem);
}

bool WriteTariffFile(const QString& path, const CostSettings& costs, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(TariffText(costs).toUtf8()) < 0 ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

std::optional<CostSettings> ReadTariffFile(const QString& path, TariffProblem* problem)
{
    QFile file(path);
    // A tariff is a few hundred bytes; anything large is no tariff file.
    constexpr qint64 kLargest = 64 * 1024;
    if (!file.open(QIODevice::ReadOnly))
        return Refuse(problem, 0, file.errorString());
    const QByteArray bytes = file.read(kLargest + 1);
    if (bytes.size() > kLargest)
        return Refuse(problem, 0, QStringLiteral("too large for a tariff file"));
    const QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter) || bytes.contains('\0'))
        return Refuse(problem, 0, QStringLiteral("not a text file"));
    return ReadTariffText(text, problem);
}

bool IsTariffName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,40}$"));
    return pattern.match(name).hasMatch();
}

QStringList SavedTariffNames(QSettings& store)
{
    QStringList names;
    for (const QString& group : store.childGroups())
        if (group.startsWith(kTariffPrefix) && IsTariffName(group.mid(kTariffPrefix.size())))
            names << group.mid(kTariffPrefix.size());
    names.sort();
    return names;
}

std::optional<CostSettings> LoadSavedTariff(QSettings& store, const QString& name,
                                            TariffProblem* problem)
{
    if (!SavedTariffNames(store).contains(name))
        return std::nullopt;
    std::vector<TariffEntry> entries;
    store.beginGroup(kTariffPrefix + name);
    const QStringList keys = store.childKeys();
    store.endGroup();
    for (const QString& key : keys)
        entries.emplace_back(key, ReadStoreText(store, SectionKey(name, key)).trimmed());
    TariffProblem keyProblem;
    const auto costs = ReadTariffEntries(entries, &keyProblem);
    if (!costs && problem)
        *problem = {0, QStringLiteral("saved tariff %1: %2").arg(name, keyProblem.reason)};
    return costs;
}

bool SaveTariff(QSettings& store, const QString& name, const CostSettings& costs,
                SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    store.remove(kTariffPrefix + name);
    for (const auto& [key, value] : TariffEntries(costs))
        store.setValue(SectionKey(name, key), value);
    return FlushStore(store, problem);
}

bool DeleteSavedTariff(QSettings& store, const QString& name, SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    store.remove(kTariffPrefix + name);
    return FlushStore(store, problem);
}

std::vector<NamedTariff> InForceAndSaved(QSettings* store, const CostSettings& inForce)
{
    std::vector<NamedTariff> tariffs = {{kTariffInForce, inForce}};
    if (store)
        for (const QString& name : SavedTariffNames(*store))
            if (const auto costs = LoadSavedTariff(*store, name))
                tariffs.push_back({name, *costs});
    return tariffs;
}

bool UseTariff(QSettings& store, const CostSettings& costs, SettingsProblem* problem)
{
    return SaveCostSettings(
        store, costs, QLocale(), [&costs](QSettings& s) { WriteHolidays(s, costs.vHolidays); },
        problem);
}

} // namespace dialtally
