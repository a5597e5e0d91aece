#include "analysis/settings.h"

#include "analysis/ownsettings.h"

#include <QSettings>
#include <QStringList>
#include <cmath>
#include <limits>

namespace dialtally {
namespace {

const QString kCostsSection = QStringLiteral("Costs");
const QString kSelSection = QStringLiteral("Sel");
const QString kTrue = QStringLiteral("True");
const QString kFalse = QStringLiteral("False");

QString Key(const QString& section, const QString& name)
{
    return section + QLatin1Char('/') + name;
}

QString CostsKey(const QString& name)
{
    return Key(kCostsSection, name);
}

QString NumberedKey(const char* prefix, int number)
{
    return CostsKey(QLatin1String(prefix) + QString::number(number));
}

// The INI form turns an unquoted text with commas into a list; such a value is still one text.
QString ReadText(QSettings& store, const QString& key, const QString& fallback)
{
    const QVariant value = store.value(key);
    if (!value.isValid())
        return fallback;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

std::optional<bool> ReadFlagText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(kTrue, Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(kFalse, Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

void ReadFlag(QSettings& store, const QString& key, bool& field)
{
    if (const auto flag = ReadFlagText(ReadText(store, key, field ? kTrue : kFalse)))
        field = *flag;
}

void ReadMoney(QSettings& store, const QString& key, double& field, const QLocale& locale)
{
    if (const auto value = ReadMoneyText(ReadText(store, key, QStringLiteral("0")), locale))
        field = *value;
}

template <typename Int>
void ReadWhole(QSettings& store, const QString& key, Int& field, const QLocale& locale,
               Int lowest = std::numeric_limits<Int>::min())
{
    const auto value = ReadMoneyText(ReadText(store, key, QStringLiteral("0")), locale);
    if (value && *value == std::trunc(*value) && *value >= static_cast<double>(lowest) &&
        *value <= static_cast<double>(std::numeric_limits<Int>::max()))
        field = static_cast<Int>(*value);
}

// Character h + 1 is the code of clock hour h. Hours without a usable character get code 1, the
// code that an empty text gives to the whole day.
void ReadDayCodes(const QString& text, RateGrid& grid, int weekday)
{
    for (int hour = 0; hour < kHoursPerDay; ++hour) {
        const QChar ch = hour < text.size() ? text.at(hour) : QChar();
        const bool known = ch >= QLatin1Char('1') && ch <= QLatin1Char('3');
        grid(hour, weekday) = known ? static_cast<std::int16_t>(ch.unicode() - '0') : 1;
    }
}

QString DayCodesText(const RateGrid& grid, int weekday)
{
    QString text;
    for (int hour = 0; hour < kHoursPerDay; ++hour)
        text += QString::number(grid(hour, weekday));
    return text;
}

QString FlagText(bool value)
{
    return value ? kTrue : kFalse;
}

// Only a failed write counts: the reader's format status also stands for lines that it skips
// harmlessly, such as "#" comments.
bool Flush(QSettings& store, SettingsProblem* problem)
{
    store.sync();
    if (store.status() != QSettings::AccessError)
        return true;
    if (problem)
        *problem = {store.fileName(), 0, QStringLiteral("cannot be written")};
    return false;
}

void WriteCommunicationSettings(QSettings& store, const CostSettings& costs, const QLocale& locale)
{
    store.setValue(CostsKey(QStringLiteral("bCommCosts")), FlagText(costs.bCommCosts));
    store.setValue(CostsKey(QStringLiteral("vCommConnect")), MoneyText(costs.vCommConnect, locale));
    store.setValue(CostsKey(QStringLiteral("vCommRateDelayMinutes")),
                   QString::number(costs.vCommRateDelayMinutes));
    for (int n = 1; n <= 3; ++n)
        store.setValue(NumberedKey("vCommRate", n), MoneyText(costs.vCommRate[n - 1], locale));
    for (int d = 1; d <= kDaysPerWeek; ++d)
        store.setValue(NumberedKey("vCommRatesDay", d), DayCodesText(costs.vCommRatesDay, d));
}

void WriteServiceSettings(QSettings& store, const CostSettings& costs, const QLocale& locale)
{
    store.setValue(CostsKey(QStringLiteral("bServCosts")), FlagText(costs.bServCosts));
    store.setValue(CostsKey(QStringLiteral("vServConnect")), MoneyText(costs.vServConnect, locale));
    store.setValue(CostsKey(QStringLiteral("vServMinute")), MoneyText(costs.vServMinute, locale));
    store.setValue(CostsKey(QStringLiteral("vServFlatMonth")),
                   MoneyText(costs.vServFlatMonth, locale));
    store.setValue(CostsKey(QStringLiteral("bServRounding")), FlagText(costs.bServRounding));
    store.setValue(CostsKey(QStringLiteral("vServDataMb")), MoneyText(costs.vServDataMb, locale));
}

void WriteConnectSeconds(QSettings& store, std::int32_t seconds)
{
    store.setValue(CostsKey(QStringLiteral("vAditionalConnectSeconds")), QString::number(seconds));
}

} // namespace

std::unique_ptr<QSettings> OpenSettingsStore(const QString& file, SettingsProblem* problem)
{
    // The store is opened on the checked file alone, without the system-wide fallback files, so
    // that what is read is what was checked.
    if (!CheckSettingsFile(file, problem))
        return nullptr;
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

LoadedSettings LoadUserSettings(const QString& file, std::unique_ptr<QSettings>& store,
                                const QLocale& locale)
{
    SettingsProblem problem;
    store = OpenSettingsStore(file, &problem);
    if (store)
        return LoadSettings(*store, locale);
    LoadedSettings defaults;
    defaults.problem = problem;
    return defaults;
}

LoadedSettings LoadUserSettings(const QString& file, const QLocale& locale)
{
    std::unique_ptr<QSettings> store;
    return LoadUserSettings(file, store, locale);
}

QString MoneyText(double value, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    // The shortest text that reads back as the same number, never in exponent form.
    return plain.toString(value, 'f', QLocale::FloatingPointShortest);
}

std::optional<double> ReadMoneyText(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = strict.toDouble(trimmed, &ok);
    if (!ok) {
        // Written under another locale: the program never writes a thousands separator, so a
        // single "." or "," can only be the decimal separator.
        QString normalised = trimmed;
        normalised.replace(QLatin1Char(','), QLatin1Char('.'));
        if (normalised.count(QLatin1Char('.')) <= 1)
            value = QLocale::c().toDouble(normalised, &ok);
    }
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

LoadedSettings LoadSettings(QSettings& store, const QLocale& locale)
{
    LoadedSettings loaded;
    if (SettingsProblem problem; !CheckSettingsFile(store.fileName(), &problem)) {
        loaded.problem = problem;
        return loaded;
    }
    CostSettings& costs = loaded.costs;
    ReadWhole(store, CostsKey(QStringLiteral("vAditionalConnectSeconds")),
              loaded.vAditionalConnectSeconds, locale);
    ReadFlag(store, CostsKey(QStringLiteral("bCommCosts")), costs.bCommCosts);
    ReadMoney(store, CostsKey(QStringLiteral("vCommConnect")), costs.vCommConnect, locale);
    // A negative delay would charge more minutes at the delayed rate than the hour holds.
    ReadWhole<std::int16_t>(store, CostsKey(QStringLiteral("vCommRateDelayMinutes")),
                            costs.vCommRateDelayMinutes, locale, 0);
    for (int n = 1; n <= 3; ++n)
        ReadMoney(store, NumberedKey("vCommRate", n), costs.vCommRate[n - 1], locale);
    for (int d = 1; d <= kDaysPerWeek; ++d)
        ReadDayCodes(ReadText(store, NumberedKey("vCommRatesDay", d), QString()),
                     costs.vCommRatesDay, d);
    ReadFlag(store, CostsKey(QStringLiteral("bServCosts")), costs.bServCosts);
    ReadMoney(store, CostsKey(QStringLiteral("vServConnect")), costs.vServConnect, locale);
    ReadMoney(store, CostsKey(QStringLiteral("vServMinute")), costs.vServMinute, locale);
    ReadMoney(store, CostsKey(QStringLiteral("vServFlatMonth")), costs.vServFlatMonth, locale);
    ReadFlag(store, CostsKey(QStringLiteral("bServRounding")), costs.bServRounding);
    ReadMoney(store, CostsKey(QStringLiteral("vServDataMb")), costs.vServDataMb, locale);
    costs.vHolidays = LoadHolidays(store);
    loaded.cycle = LoadBillingCycle(store);

    if (ReadText(store, CostsKey(QStringLiteral("sVersion")), QStringLiteral("0")) !=
        kSettingsVersion) {
        // The file was checked above; the three groups are written as one flush.
        store.remove(kCostsSection);
        store.setValue(CostsKey(QStringLiteral("sVersion")), kSettingsVersion);
        WriteCommunicationSettings(store, costs, locale);
        WriteConnectSeconds(store, loaded.vAditionalConnectSeconds);
        WriteServiceSettings(store, costs, locale);
        Flush(store, nullptr);
    }
    return loaded;
}

bool SaveCommunicationSettings(QSettings& store, const CostSettings& costs, const QLocale& locale,
                               SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    WriteCommunicationSettings(store, costs, locale);
    return Flush(store, problem);
}

bool SaveServiceSettings(QSettings& store, const CostSettings& costs, const QLocale& locale,
                         SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    WriteServiceSettings(store, costs, locale);
    return Flush(store, problem);
}

bool SaveCostSettings(QSettings& store, const CostSettings& costs, const QLocale& locale,
                      const std::function<void(QSettings&)>& writeMore, SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    WriteCommunicationSettings(store, costs, locale);
    WriteServiceSettings(store, costs, locale);
    if (writeMore)
        writeMore(store);
    return Flush(store, problem);
}

bool SaveConnectSeconds(QSettings& store, std::int32_t seconds, SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    WriteConnectSeconds(store, seconds);
    return Flush(store, problem);
}

Selection LoadSelection(QSettings& store)
{
    Selection selection;
    ReadFlag(store, Key(kSelSection, QStringLiteral("fSelEnabled")), selection.fSelEnabled);
    selection.vSelStartDate =
        ReadText(store, Key(kSelSection, QStringLiteral("vSelStartDate")), {});
    selection.vSelEndDate = ReadText(store, Key(kSelSection, QStringLiteral("vSelEndDate")), {});
    ReadFlag(store, Key(kSelSection, QStringLiteral("fSelToEnd")), selection.fSelToEnd);
    return selection;
}

bool SaveSelection(QSettings& store, const Selection& selection, SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    store.setValue(Key(kSelSection, QStringLiteral("fSelEnabled")),
                   FlagText(selection.fSelEnabled));
    store.setValue(Key(kSelSection, QStringLiteral("vSelStartDate")), selection.vSelStartDate);
    store.setValue(Key(kSelSection, QStringLiteral("vSelEndDate")), selection.vSelEndDate);
    store.setValue(Key(kSelSection, QStringLiteral("fSelToEnd")), FlagText(selection.fSelToEnd));
    return Flush(store, problem);
}

} // namespace dialtally
