#pragma once

#include "ui/settingsdialog.h"

class QGroupBox;
class QLabel;

namespace dialtally {

// The connect-time allowance: the seconds between the modem hearing the answer tone and the
// connection being reported up, which every session is taken to have begun earlier. Cancel holds
// the input focus when the dialog opens. Controls carry their design names as object names.
class frmOptions : public SettingsDialog {
    Q_OBJECT
public:
    explicit frmOptions(const SettingsEdit& edit, QWidget* parent = nullptr);

protected:
    void Confirmed() override;

private:
    QGroupBox* fraConnectionTime = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtAditionalConnectTime = nullptr;
    QLabel* lblTUnit = nullptr;
};

} // namespace dialtally
