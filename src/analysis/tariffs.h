#pragma once

#include "analysis/comparison.h"
#include "analysis/settings.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

class QSettings;

namespace dialtally {

// A tariff as text, the form of a tariff file and of a saved tariff's section:
//
//   dialtally-tariff 1
//   # A comment. Blank lines and lines starting with "#" are skipped.
//   commCosts = true
//   commConnect = 0.06
//   commRate1 = 0.12            (price per minute of rate code 1; likewise 2 and 3)
//   commRateDelayMinutes = 10   (whole minutes 0..32767)
//   commRatesDay1 = 111111112222222222223333   (Sunday; .. commRatesDay7 Saturday: the code
//                                               1..3 of each clock hour 0..23)
//   holidays = 12-25,easter-2,2027-05-14       (may be empty)
//   servCosts = true
//   servConnect = 0
//   servMinute = 0.013
//   servFlatMonth = 4.9
//   servRounding = true
//   servDataMb = 0.02
//
// The first line names the format. Every key is given exactly once, in any order. Amounts are
// numbers with a point as the decimal separator (never a thousands separator); flags are true or
// false. A file is taken whole or refused: the first fault is reported with its line.
inline const QString kTariffFormatLine = QStringLiteral("dialtally-tariff 1");

// Why a tariff text was refused; line 0 when nothing in the text can be named (a key missing).
struct TariffProblem {
    int line = 0;
    QString reason;

    // "line 7: commRate2: not a number"
    QString Text() const;
};

using TariffEntry = std::pair<QString, QString>; // key, value
std::vector<TariffEntry> TariffEntries(const CostSettings& costs);
// The costs of a complete set of entries; entry n counts as line firstLine + n.
std::optional<CostSettings> ReadTariffEntries(const std::vector<TariffEntry>& entries,
                                              TariffProblem* problem, int firstLine = 1);

QString TariffText(const CostSettings& costs);
std::optional<CostSettings> ReadTariffText(const QString& text, TariffProblem* problem);

// The file is written whole or not at all; false with the reason in error.
bool WriteTariffFile(const QString& path, const CostSettings& costs, QString* error);
// Empty with the reason in problem (line 0 and the system's reason when it cannot be read).
std::optional<CostSettings> ReadTariffFile(const QString& path, TariffProblem* problem);

// Saved tariffs: each in a section "Tariff.NAME" of the settings store. A name is 1..40 letters,
// digits, "-" or "_".
bool IsTariffName(const QString& name);
QStringList SavedTariffNames(QSettings& store);
// Empty when there is no such tariff (problem left empty) or its section does not read.
std::optional<CostSettings> LoadSavedTariff(QSettings& store, const QString& name,
                                            TariffProblem* problem = nullptr);
// Replaces a tariff of the same name. As the other saves: a damaged store is never written.
bool SaveTariff(QSettings& store, const QString& name, const CostSettings& costs,
                SettingsProblem* problem = nullptr);
bool DeleteSavedTariff(QSettings& store, const QString& name, SettingsProblem* problem = nullptr);

// What the window compares: the tariff in force (kTariffInForce) and every saved tariff that
// reads, by name; the tariff in force alone without a store (a damaged settings file).
std::vector<NamedTariff> InForceAndSaved(QSettings* store, const CostSettings& inForce);

// Makes a tariff the one in force: both cost groups and the holidays.
bool UseTariff(QSettings& store, const CostSettings& costs, SettingsProblem* problem = nullptr);

} // namespace dialtally
