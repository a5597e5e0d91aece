// The reading of the settings values over arbitrary texts, and the money texts under three
// locales. Qt's own file parser is kept out: the values are set on a store whose file format
// reads and writes nothing, as the parser would have handed them over (a value with commas also
// as the list that the INI form makes of it).
//
// Input: a locale byte, four bytes telling which keys are present, eight bytes of a double for the
// money round trip, then the values of the present keys in the order below, separated by "\n".

#include "analysis/settings.h"
#include "fuzzsupport.h"

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>

using namespace dialtally;

namespace {

const char* const kCostKeys[] = {
    "vAditionalConnectSeconds",
    "bCommCosts",
    "vCommConnect",
    "vCommRateDelayMinutes",
    "vCommRate1",
    "vCommRate2",
    "vCommRate3",
    "vCommRatesDay1",
    "vCommRatesDay2",
    "vCommRatesDay3",
    "vCommRatesDay4",
    "vCommRatesDay5",
    "vCommRatesDay6",
    "vCommRatesDay7",
    "bServCosts",
    "vServConnect",
    "vServMinute",
    "vServFlatMonth",
    "bServRounding",
    "vServDataMb",
};
const char* const kSelKeys[] = {"fSelEnabled", "vSelStartDate", "vSelEndDate", "fSelToEnd"};

QList<QLocale> Locales()
{
    return {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
            QLocale(QLocale::Finnish, QLocale::Finland)};
}

QString StorePath()
{
    static const QTemporaryDir dir(QString::fromStdString(fuzz::ScratchFolderTemplate()));
    FUZZ_CHECK(dir.isValid());
    return dir.filePath(QStringLiteral("Dtallyer.store"));
}

// The file stays empty, so the read function is never called and nothing is parsed.
QSettings::Format MemoryFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(
        QStringLiteral("store"), [](QIODevice&, QSettings::SettingsMap&) { return true; },
        [](QIODevice&, const QSettings::SettingsMap&) { return true; });
    return format;
}

void SetValue(QSettings& store, const QString& key, const QByteArray& text)
{
    const QString value = QString::fromUtf8(text);
    if (value.contains(QLatin1Char(',')))
        store.setValue(key, value.split(QLatin1Char(',')));
    else
        store.setValue(key, value);
}

// The keys in the order of the input: the cost keys, "sVersion", the selection keys.
QStringList AllKeys()
{
    QStringList keys;
    for (const char* key : kCostKeys)
        keys << QStringLiteral("Costs/") + QLatin1String(key);
    keys << QStringLiteral("Costs/sVersion");
    for (const char* key : kSelKeys)
        keys << QStringLiteral("Sel/") + QLatin1String(key);
    return keys;
}

void FillStore(QSettings& store, std::uint32_t present, std::string_view values)
{
    store.clear();
    const QList<QByteArray> texts =
        QByteArray(values.data(), static_cast<qsizetype>(values.size())).split('\n');
    const QStringList keys = AllKeys();
    qsizetype next = 0;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (!(present & (std::uint32_t{1} << k)))
            continue;
        SetValue(store, keys[k], next < texts.size() ? texts[next] : QByteArray());
        ++next;
    }
}

void CheckLoaded(const LoadedSettings& loaded)
{
    const CostSettings& c = loaded.costs;
    for (double money : {c.vCommConnect, c.vCommRate[0], c.vCommRate[1], c.vCommRate[2],
                         c.vServConnect, c.vServMinute, c.vServFlatMonth, c.vServDataMb})
        FUZZ_CHECK(std::isfinite(money));
    FUZZ_CHECK(c.vCommRateDelayMinutes >= 0);
    for (std::int16_t code : c.vCommRatesDay.codes)
        FUZZ_CHECK(code >= 1 && code <= 3);
}

// A store of another version is written afresh from the loaded values; loading those texts must
// give the same values again, and the section then holds exactly the known keys.
void CheckSettings(std::uint32_t present, std::string_view values, const QLocale& locale)
{
    QSettings store(StorePath(), MemoryFormat());
    // Nothing is written, so there is nothing to write safely; spares a disk flush per save.
    store.setAtomicSyncRequired(false);
    FillStore(store, present, values);
    const bool sameVersion = store.value(QStringLiteral("Costs/sVersion")) == kSettingsVersion;
    const LoadedSettings first = LoadSettings(store, locale);
    CheckLoaded(first);
    FUZZ_CHECK(store.value(QStringLiteral("Costs/sVersion")).toString() == kSettingsVersion);
    if (!sameVersion) {
        store.beginGroup(QStringLiteral("Costs"));
        QStringList keys = store.childKeys();
        store.endGroup();
        keys.sort();
        QStringList expected;
        for (const char* key : kCostKeys)
            expected << QLatin1String(key);
        expected << QStringLiteral("sVersion");
        expected.sort();
        FUZZ_CHECK(keys == expected);
    }
    const LoadedSettings second = LoadSettings(store, locale);
    FUZZ_CHECK(second.costs == first.costs);
    FUZZ_CHECK(second.vAditionalConnectSeconds == first.vAditionalConnectSeconds);

    const Selection selection = LoadSelection(store);
    SaveSelection(store, selection);
    FUZZ_CHECK(LoadSelection(store) == selection);
}

// A money text is written under one locale and may be read under any: it must give the same
// number back.
void CheckMoney(double value)
{
    if (!std::isfinite(value))
        return;
    for (const QLocale& writer : Locales())
        for (const QLocale& reader : Locales()) {
            const std::optional<double> read = ReadMoneyText(MoneyText(value, writer), reader);
            FUZZ_CHECK(read && *read == value);
        }
}

void CheckMoneyTexts(std::string_view values)
{
    for (const QByteArray& text :
         QByteArray(values.data(), static_cast<qsizetype>(values.size())).split('\n'))
        for (const QLocale& locale : Locales())
            if (const std::optional<double> value = ReadMoneyText(QString::fromUtf8(text), locale))
                CheckMoney(*value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const QLocale locale = Locales().at(input.Take<std::uint8_t>() % 3);
    const auto present = input.Take<std::uint32_t>();
    const auto money = input.Take<double>();
    const std::string_view values = input.Rest();

    CheckSettings(present, values, locale);
    CheckMoney(money);
    CheckMoneyTexts(values);
    return 0;
}
