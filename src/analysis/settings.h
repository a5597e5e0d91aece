#pragma once

#include "analysis/billingcycle.h"
#include "analysis/holidays.h"
#include "analysis/settingscheck.h"

#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace dialtally {

inline constexpr int kHoursPerDay = 24;
inline constexpr int kDaysPerWeek = 7;

// The rate code (1 default, 2 additional, 3 delayed rate) of every clock hour 0..23 of every
// weekday 1 (Sunday) .. 7 (Saturday). Every hour starts at code 1.
struct RateGrid {
    std::array<std::int16_t, kHoursPerDay * kDaysPerWeek> codes;

    RateGrid() { codes.fill(1); }
    std::int16_t& operator()(int hour, int weekday) { return codes[Slot(hour, weekday)]; }
    std::int16_t operator()(int hour, int weekday) const { return codes[Slot(hour, weekday)]; }

    friend bool operator==(const RateGrid&, const RateGrid&) = default;

private:
    static std::size_t Slot(int hour, int weekday)
    {
        return static_cast<std::size_t>((weekday - 1) * kHoursPerDay + hour);
    }
};

// The telephone and the provider tariff. Money is unrounded; it is rounded only for display.
struct CostSettings {
    bool bCommCosts = false;
    double vCommConnect = 0.0;         // added once to every session
    std::array<double, 3> vCommRate{}; // price per minute of rate code 1, 2, 3 (index code - 1)
    std::int16_t vCommRateDelayMinutes = 0; // minutes at rate 1 before the delayed rate applies
    RateGrid vCommRatesDay;
    HolidayList vHolidays; // charged at the Sunday row; kept in a section of its own
    bool bServCosts = false;
    double vServConnect = 0.0;
    double vServMinute = 0.0;
    double vServFlatMonth = 0.0; // once per month of the monthly totals, never per session
    bool bServRounding = true;   // connected time rounded up to whole minutes
    double vServDataMb = 0.0;    // per 1,000,000 bytes transmitted plus received

    friend bool operator==(const CostSettings&, const CostSettings&) = default;
};

// What LoadSettings() gives: the tariffs and the connect-time allowance in seconds.
struct LoadedSettings {
    CostSettings costs;
    std::int32_t vAditionalConnectSeconds = 0;
    BillingCycle cycle; // the months of the monthly totals
    // Set when the settings file is damaged or cannot be read. The values above are then the
    // defaults (both costs off) and the file is left as it is, for the user to mend.
    std::optional<SettingsProblem> problem;
};

// The remembered period of the session table; the dates are kept as the user typed them.
struct Selection {
    bool fSelEnabled = false;
    QString vSelStartDate;
    QString vSelEndDate;
    bool fSelToEnd = false;

    friend bool operator==(const Selection&, const Selection&) = default;
};

inline const QString kSettingsApplication = QStringLiteral("Dtallyer");
inline const QString kSettingsVersion = QStringLiteral("1.75");

// The user's settings store: the INI file "Dtallyer.ini" (Places::SettingsFile()), sections
// [Costs] and [Sel]. Every
// value is text. The file is checked before the store reads it (CheckSettingsFile); a damaged
// or unreadable one is not read at all: the result is then null, with the reason in problem.
// A missing file gives an empty store.
std::unique_ptr<QSettings> OpenSettingsStore(const QString& file,
                                             SettingsProblem* problem = nullptr);

// What a start of the program loads: section "Costs" of the user's store (LoadSettings). A
// damaged store gives the defaults and its problem, and is not read.
LoadedSettings LoadUserSettings(const QString& file, const QLocale& locale = QLocale());
// The same, keeping the opened store for the saves of a window; store stays null when the file
// is damaged.
LoadedSettings LoadUserSettings(const QString& file, std::unique_ptr<QSettings>& store,
                                const QLocale& locale = QLocale());

// Numbers are written with the locale's decimal separator and no thousands separator. Reading
// accepts either separator, so a store written under another locale still loads. Text that the
// program never writes does not stop loading: a number or flag that does not read keeps its
// default, and a grid hour whose character is not "1", "2" or "3" (or is missing) gets code 1.
//
// Loads section "Costs". A store of another version (its "sVersion" is not "1.75") loses the
// whole section, which is then written afresh from the values just loaded. A store whose file is
// damaged or unreadable (CheckSettingsFile) is not trusted: the result holds the defaults and the
// problem, and nothing is written.
LoadedSettings LoadSettings(QSettings& store, const QLocale& locale = QLocale());

// Each save writes its group of keys and flushes the store; false when the file is not written,
// with the reason in problem. A damaged or unreadable file is never written: the save refuses
// with the problem that CheckSettingsFile finds, and the file stays as it is for the user to
// mend (the store would otherwise write back only what it could read).
bool SaveCommunicationSettings(QSettings& store, const CostSettings& costs,
                               const QLocale& locale = QLocale(),
                               SettingsProblem* problem = nullptr);
bool SaveServiceSettings(QSettings& store, const CostSettings& costs,
                         const QLocale& locale = QLocale(), SettingsProblem* problem = nullptr);
bool SaveConnectSeconds(QSettings& store, std::int32_t seconds, SettingsProblem* problem = nullptr);
// Both cost groups and what writeMore adds (the holidays of a tariff) in one replacement of the
// file, so that a crash leaves the whole old tariff or the whole new one.
bool SaveCostSettings(QSettings& store, const CostSettings& costs, const QLocale& locale,
                      const std::function<void(QSettings&)>& writeMore,
                      SettingsProblem* problem = nullptr);

Selection LoadSelection(QSettings& store);
bool SaveSelection(QSettings& store, const Selection& selection,
                   SettingsProblem* problem = nullptr);

// The text forms of the store, shared with the dialogs that validate what the user types.
QString MoneyText(double value, const QLocale& locale = QLocale());
std::optional<double> ReadMoneyText(const QString& text, const QLocale& locale = QLocale());

} // namespace dialtally
