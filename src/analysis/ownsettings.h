#pragma once

#include "analysis/billingcycle.h"
#include "analysis/holidays.h"
#include "analysis/settingscheck.h"

class QSettings;

namespace dialtally {

// The sections that the store keeps beside [Costs] and [Sel]:
//   [Holidays]      vHolidays=12-25,easter+1,2027-05-14   (HolidayListText)
//   [BillingCycle]  vStartDay=12                          (1..28)
// A missing section leaves the default: no holidays, cycles from the 1st. Entries that do not
// read (never written by the program) are left out, and a start day outside 1..28 reads as 1.

HolidayList LoadHolidays(QSettings& store);
BillingCycle LoadBillingCycle(QSettings& store);

// Sets the holidays in the store without saving it.
void WriteHolidays(QSettings& store, const HolidayList& holidays);
// As the other saves: false with the reason in problem, and a damaged file is never written.
bool SaveHolidays(QSettings& store, const HolidayList& holidays,
                  SettingsProblem* problem = nullptr);
bool SaveBillingCycle(QSettings& store, const BillingCycle& cycle,
                      SettingsProblem* problem = nullptr);

// Reads a value of the store as one text, also when the INI form took its commas for a list.
QString ReadStoreText(QSettings& store, const QString& key);
// Writes the store out; false with the reason in problem when the file is not written.
bool FlushStore(QSettings& store, SettingsProblem* problem);

} // namespace dialtally
