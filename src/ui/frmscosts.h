#pragma once

#include "ui/settingsdialog.h"

#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;

namespace dialtally {

// The provider tariff: whether service costs are calculated, the charge per connection, the
// charge per second, minute or hour connected, the flat fee per week, month or year, the charge
// per megabyte and whether connected time is rounded up to whole minutes. The time charge and the
// flat fee are stored per minute and per month; every opening shows them so, with the units
// Minute and Month. Help context 320. Controls carry their design names as object names.
class frmSCosts : public SettingsDialog {
    Q_OBJECT
public:
    // The refusal of an amount that is not a number.
    static const QString kNotValidValue;

    explicit frmSCosts(const SettingsEdit& edit, QWidget* parent = nullptr);

protected:
    void Confirmed() override;

private:
    void BuildControls();
    void PlaceControls();
    void LoadValues();
    void ApplyEnabledState();
    // An empty box becomes "0"; a text that is not an amount is refused with the focus on it.
    bool ValidateAmount(QLineEdit* box);

    QCheckBox* chServ = nullptr;
    QGroupBox* fraService = nullptr;
    QLabel* lblServCon = nullptr;
    QLineEdit* txtServCon = nullptr;
    QLabel* lblServPeriod = nullptr;
    QLineEdit* txtServPeriod = nullptr;
    QComboBox* cbServPeriod = nullptr;
    QLabel* lblServFlat = nullptr;
    QLineEdit* txtServFlat = nullptr;
    QComboBox* cbServFlat = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtServData = nullptr;
    // lbCUnit(2) .. lbCUnit(5); entries 0 and 1 are unused.
    std::array<QLabel*, 6> lbCUnit{};
    QGroupBox* fraRounding = nullptr;
    QRadioButton* optExactly = nullptr;
    QRadioButton* optWholeMinute = nullptr;
};

} // namespace dialtally
