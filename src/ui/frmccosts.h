#pragma once

#include "report/rates.h"
#include "ui/settingsdialog.h"

#include <array>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace dialtally {

class PictureBox;

// The telephone tariff: whether communication costs are calculated, the charge per connection,
// the three prices per minute, the delay of the delayed rate, and the weekly rate grid, which the
// user paints with the mouse (the left button with the chosen rate, the right one back to the
// default rate), and the holidays charged at the grid's Sunday row, a list with Add and Remove.
// Controls carry their design names as object names; the members of a control
// array end in their index ("txtRate1").
class frmCCosts : public SettingsDialog {
    Q_OBJECT
public:
    explicit frmCCosts(const SettingsEdit& edit, QWidget* parent = nullptr);
    ~frmCCosts() override;

    // The grid as painted so far.
    const clsRates& Rates() const { return m_rates; }

protected:
    void Confirmed() override;
    // Painting on the grid and clicks on the colour swatches.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void PlaceControls();
    void LoadValues();
    void ApplyEnabledState();
    void OnPaint(Qt::MouseButtons buttons, QPointF position);
    void AddHoliday();
    void RemoveHoliday();

    clsRates m_rates;
    std::int16_t iBrush = 1;

    QCheckBox* chEnabled = nullptr;
    QGroupBox* fraRates = nullptr;
    QLabel* lblComCon = nullptr;
    QLineEdit* txtComCon = nullptr;
    std::array<QLabel*, 4> lbCUnit{};
    // Indexed by rate code; entry 0 is unused.
    std::array<QRadioButton*, 4> optRate{};
    std::array<QLabel*, 4> lblColorRate{};
    std::array<QLineEdit*, 4> txtRate{};
    QLabel* lblDelay = nullptr;
    QLineEdit* txtDelay = nullptr;
    QLabel* lblTUnit = nullptr;
    QFrame* picRatesBorder = nullptr;
    PictureBox* picRates = nullptr;
    QGroupBox* fraHolidays = nullptr;
    QListWidget* lstHolidays = nullptr;
    QLineEdit* txtHoliday = nullptr;
    QPushButton* cmdAddHoliday = nullptr;
    QPushButton* cmdRemoveHoliday = nullptr;
    QLabel* lblHolidayForms = nullptr;
};

} // namespace dialtally
