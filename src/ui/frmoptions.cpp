#include "ui/frmoptions.h"

#include "analysis/tariffinput.h"
#include "ui/dialoglayout.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace dialtally {

frmOptions::frmOptions(const SettingsEdit& edit, QWidget* parent)
    : SettingsDialog(edit, QStringLiteral("Options"), parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    fraConnectionTime = new QGroupBox(QStringLiteral("Connect Time"), this);
    fraConnectionTime->setObjectName(QStringLiteral("fraConnectionTime"));
    Label2 = new QLabel(QStringLiteral("Specify here the time between the modem get's the answer "
                                       "tone and  the connection is established (typically "
                                       "between 10 - 60 seconds). "),
                        fraConnectionTime);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1 = new QLabel(QStringLiteral("Connect time"), fraConnectionTime);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtAditionalConnectTime = new QLineEdit(fraConnectionTime);
    txtAditionalConnectTime->setObjectName(QStringLiteral("txtAditionalConnectTime"));
    lblTUnit = new QLabel(QStringLiteral("seconds."), fraConnectionTime);
    lblTUnit->setObjectName(QStringLiteral("lblTUnit"));

    using Fit = DialogLayout::Fit;
    using Follow = DialogLayout::Follow;
    DialogLayout layout(this, Scale());
    layout.Add(fraConnectionTime, 120, 60, 4095, 1455, Fit::Text, Follow::Stretch);
    layout.Add(Label2, 240, 240, 3615, 675, Fit::Wrap);
    layout.Add(Label1, 240, 1020, 1095, 255);
    layout.Add(txtAditionalConnectTime, 1260, 960, 795, 285, Fit::Fixed);
    layout.Add(lblTUnit, 2100, 1020, 915, 255);
    layout.Add(cmdOk, 1620, 1680, 1155, 315, Fit::Text, Follow::Move);
    layout.Add(cmdCancel, 3060, 1680, 1155, 315, Fit::Text, Follow::Move);
    FixSizeAndCentre(layout.Apply(4335, 2130));

    // Cancel comes first in the tab order and so holds the focus when the dialog opens.
    setTabOrder(cmdCancel, cmdOk);
    setTabOrder(cmdOk, txtAditionalConnectTime);
    cmdCancel->setFocus();

    txtAditionalConnectTime->setText(QString::number(Settings().vAditionalConnectSeconds));
    connect(txtAditionalConnectTime, &QLineEdit::textChanged, this, &frmOptions::MarkDirty);
    fDirty = false;
}

void frmOptions::Confirmed()
{
    const auto seconds = ReadWholeInput(txtAditionalConnectTime->text());
    if (!seconds)
        return Refuse(txtAditionalConnectTime, kDataNotValid);
    const std::int32_t value = *seconds;
    SaveAndClose(
        [value](QSettings& store, SettingsProblem* problem) {
            return SaveConnectSeconds(store, value, problem);
        },
        [value](LoadedSettings& settings) { settings.vAditionalConnectSeconds = value; });
}

} // namespace dialtally
