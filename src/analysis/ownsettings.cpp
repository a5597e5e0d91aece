#include "analysis/ownsettings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

namespace dialtally {
namespace {

const QString kHolidaysKey = QStringLiteral("Holidays/vHolidays");
const QString kStartDayKey = QStringLiteral("BillingCycle/vStartDay");

} // namespace

QString ReadStoreText(QSettings& store, const QString& key)
{
    const QVariant value = store.value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool FlushStore(QSettings& store, SettingsProblem* problem)
{
    store.sync();
    if (store.status() != QSettings::AccessError)
        return true;
    if (problem)
        *problem = {store.fileName(), 0, QStringLiteral("cannot be written")};
    return false;
}

HolidayList LoadHolidays(QSettings& store)
{
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    HolidayList holidays;
    for (const QString& word :
         ReadStoreText(store, kHolidaysKey).split(separators, Qt::SkipEmptyParts))
        if (const auto holiday = ReadHoliday(word))
            holidays.push_back(*holiday);
    return holidays;
}

BillingCycle LoadBillingCycle(QSettings& store)
{
    bool ok = false;
    const int day = ReadStoreText(store, kStartDayKey).trimmed().toInt(&ok);
    return BillingCycle(ok ? day : BillingCycle::kFirstStartDay);
}

void WriteHolidays(QSettings& store, const HolidayList& holidays)
{
    store.setValue(kHolidaysKey, HolidayListText(holidays));
}

bool SaveHolidays(QSettings& store, const HolidayList& holidays, SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    WriteHolidays(store, holidays);
    return FlushStore(store, problem);
}

bool SaveBillingCycle(QSettings& store, const BillingCycle& cycle, SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    store.setValue(kStartDayKey, QString::number(cycle.StartDay()));
    return FlushStore(store, problem);
}

} // namespace dialtally
