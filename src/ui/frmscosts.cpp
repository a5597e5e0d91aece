#include "ui/frmscosts.h"

#include "analysis/formatting.h"
#include "analysis/tariffinput.h"
#include "ui/dialoglayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace dialtally {
namespace {

using Fit = DialogLayout::Fit;
using Follow = DialogLayout::Follow;

// The lists hold the units in the order of TimeUnit and FlatUnit.
const QStringList kPeriodUnits = {QStringLiteral("Second"), QStringLiteral("Minute"),
                                  QStringLiteral("Hour")};
const QStringList kFlatUnits = {QStringLiteral("Week"), QStringLiteral("Month"),
                                QStringLiteral("Year")};

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The "/" between an amount and its unit.
QLabel* MakeSlash(QWidget* parent, const char* name)
{
    auto* label = Named(new QLabel(QStringLiteral("/"), parent), name);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(9.75);
    label->setFont(font);
    return label;
}

} // namespace

const QString frmSCosts::kNotValidValue = QStringLiteral("Not a Valid Value! ");

frmSCosts::frmSCosts(const SettingsEdit& edit, QWidget* parent)
    : SettingsDialog(edit, QStringLiteral("Service Costs"), parent)
{
    setObjectName(QStringLiteral("frmSCosts"));
    // The help key opens the help topic of this context.
    setProperty("helpContext", 320);
    BuildControls();
    LoadValues();
}

void frmSCosts::BuildControls()
{
    chServ = Named(new QCheckBox(QStringLiteral("Enabled / Disabled"), this), "chServ");
    fraService =
        Named(new QGroupBox(
                  QStringLiteral("Service Costs (Payed to your Internet Service Provider)"), this),
              "fraService");
    lblServCon = Named(new QLabel(QStringLiteral("Charge Applied Each Connection:"), fraService),
                       "lblServCon");
    txtServCon = Named(new QLineEdit(fraService), "txtServCon");
    lblServPeriod =
        Named(new QLabel(QStringLiteral("Charge Applied Each Time Period Connected:"), fraService),
              "lblServPeriod");
    txtServPeriod = Named(new QLineEdit(fraService), "txtServPeriod");
    Label2 = MakeSlash(fraService, "Label2");
    cbServPeriod = Named(new QComboBox(fraService), "cbServPeriod");
    lblServFlat =
        Named(new QLabel(QStringLiteral("Flat Rate Charged Once Per Period:"), fraService),
              "lblServFlat");
    txtServFlat = Named(new QLineEdit(fraService), "txtServFlat");
    Label3 = MakeSlash(fraService, "Label3");
    cbServFlat = Named(new QComboBox(fraService), "cbServFlat");
    Label6 = Named(new QLabel(QStringLiteral("Charge Applied on Data:"), fraService), "Label6");
    txtServData = Named(new QLineEdit(fraService), "txtServData");
    Label5 = MakeSlash(fraService, "Label5");
    Label4 = Named(new QLabel(QStringLiteral("Mb"), fraService), "Label4");
    const QString currency = CurrencyText();
    for (int i = 2; i <= 5; ++i) {
        lbCUnit[i] = new QLabel(currency, fraService);
        lbCUnit[i]->setObjectName(QStringLiteral("lbCUnit%1").arg(i));
    }
    fraRounding = Named(new QGroupBox(QStringLiteral("Rounding "), this), "fraRounding");
    optExactly =
        Named(new QRadioButton(QStringLiteral("Calculate exactly"), fraRounding), "optExactly");
    optWholeMinute =
        Named(new QRadioButton(QStringLiteral("Round up to full minutes"), fraRounding),
              "optWholeMinute");
    optExactly->setChecked(true);

    cbServPeriod->addItems(kPeriodUnits);
    cbServFlat->addItems(kFlatUnits);
    for (QWidget* box : {static_cast<QWidget*>(txtServCon), static_cast<QWidget*>(txtServPeriod),
                         static_cast<QWidget*>(txtServFlat), static_cast<QWidget*>(txtServData),
                         static_cast<QWidget*>(cbServPeriod), static_cast<QWidget*>(cbServFlat)})
        UseFaceColourWhenDisabled(box);
    for (QLineEdit* box : {txtServCon, txtServPeriod, txtServFlat, txtServData})
        connect(box, &QLineEdit::textChanged, this, &frmSCosts::MarkDirty);
    for (QComboBox* list : {cbServPeriod, cbServFlat})
        connect(list, &QComboBox::activated, this, &frmSCosts::MarkDirty);
    for (QRadioButton* option : {optExactly, optWholeMinute})
        connect(option, &QRadioButton::clicked, this, &frmSCosts::MarkDirty);
    connect(chServ, &QCheckBox::clicked, this, [this] {
        ApplyEnabledState();
        MarkDirty();
    });

    PlaceControls();
}

// The design's places in twips, grown where this system's fonts need more room.
void frmSCosts::PlaceControls()
{
    DialogLayout layout(this, Scale());
    layout.Add(chServ, 120, 120, 1935, 195);
    layout.Add(fraService, 120, 360, 6375, 2235);
    layout.Add(lblServCon, 180, 420, 3255, 195);
    layout.Add(txtServCon, 3600, 360, 1035, 315, Fit::Fixed);
    layout.Add(lbCUnit[2], 4680, 420, 315, 255);
    layout.Add(lblServPeriod, 180, 900, 3375, 195);
    layout.Add(txtServPeriod, 3600, 840, 1035, 315, Fit::Fixed);
    layout.Add(lbCUnit[3], 4680, 900, 315, 255);
    layout.Add(Label2, 4920, 900, 255, 255);
    layout.Add(cbServPeriod, 5220, 840, 975, 315);
    layout.Add(lblServFlat, 180, 1380, 3375, 255);
    layout.Add(txtServFlat, 3600, 1320, 1035, 285, Fit::Fixed);
    layout.Add(lbCUnit[4], 4680, 1380, 315, 255);
    layout.Add(Label3, 4920, 1380, 255, 255);
    layout.Add(cbServFlat, 5220, 1320, 975, 315);
    layout.Add(Label6, 180, 1860, 3495, 255);
    layout.Add(txtServData, 3600, 1800, 1035, 285, Fit::Fixed);
    layout.Add(lbCUnit[5], 4680, 1860, 315, 255);
    layout.Add(Label5, 4920, 1860, 255, 255);
    layout.Add(Label4, 5220, 1860, 975, 255);
    layout.Add(fraRounding, 120, 2880, 6375, 675, Fit::Text, Follow::Stretch);
    layout.Add(optExactly, 180, 300, 2955, 195);
    layout.Add(optWholeMinute, 3420, 300, 2655, 195);
    layout.Add(cmdOk, 3900, 3720, 1155, 315, Fit::Text, Follow::Move);
    layout.Add(cmdCancel, 5340, 3720, 1155, 315, Fit::Text, Follow::Move);
    FixSizeAndCentre(layout.Apply(6615, 4170));

    // The tab order of the design, which leaves the charge per megabyte to the last.
    QWidget* const order[] = {chServ,      txtServCon, txtServPeriod, cbServPeriod,
                              txtServFlat, cbServFlat, optExactly,    optWholeMinute,
                              cmdOk,       cmdCancel,  txtServData};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    chServ->setFocus();
}

void frmSCosts::LoadValues()
{
    const CostSettings& costs = Settings().costs;
    cbServPeriod->setCurrentIndex(static_cast<int>(TimeUnit::Minute));
    cbServFlat->setCurrentIndex(static_cast<int>(FlatUnit::Month));
    chServ->setChecked(costs.bServCosts);
    txtServCon->setText(MoneyText(costs.vServConnect));
    txtServPeriod->setText(MoneyText(costs.vServMinute));
    txtServFlat->setText(MoneyText(costs.vServFlatMonth));
    txtServData->setText(MoneyText(costs.vServDataMb));
    (costs.bServRounding ? optWholeMinute : optExactly)->setChecked(true);
    ApplyEnabledState();
    fDirty = false;
}

void frmSCosts::ApplyEnabledState()
{
    const bool on = chServ->isChecked();
    QWidget* const tariff[] = {
        fraService,  lblServCon, lblServPeriod, lblServFlat,  Label2,      Label3,
        Label4,      Label5,     Label6,        lbCUnit[2],   lbCUnit[3],  lbCUnit[4],
        lbCUnit[5],  txtServCon, txtServPeriod, cbServPeriod, txtServFlat, cbServFlat,
        fraRounding, optExactly, optWholeMinute};
    for (QWidget* control : tariff)
        control->setEnabled(on);
}

bool frmSCosts::ValidateAmount(QLineEdit* box)
{
    if (box->text().isEmpty()) {
        box->setText(QStringLiteral("0"));
        return true;
    }
    if (ReadMoneyInput(box->text()))
        return true;
    Refuse(box, kNotValidValue);
    return false;
}

void frmSCosts::Confirmed()
{
    for (QLineEdit* box : {txtServCon, txtServPeriod, txtServFlat, txtServData})
        if (!ValidateAmount(box))
            return;
    const auto perMinute = PerMinuteAmount(*ReadMoneyInput(txtServPeriod->text()),
                                           static_cast<TimeUnit>(cbServPeriod->currentIndex()));
    // An amount so large that its conversion leaves the money range is no valid value either.
    if (!perMinute)
        return Refuse(txtServPeriod, kNotValidValue);
    const auto perMonth = PerMonthAmount(*ReadMoneyInput(txtServFlat->text()),
                                         static_cast<FlatUnit>(cbServFlat->currentIndex()));
    if (!perMonth)
        return Refuse(txtServFlat, kNotValidValue);

    CostSettings costs = Settings().costs;
    costs.bServCosts = chServ->isChecked();
    costs.vServConnect = *ReadMoneyInput(txtServCon->text());
    costs.vServMinute = *ReadMoneyInput(*perMinute);
    costs.vServFlatMonth = *ReadMoneyInput(*perMonth);
    costs.vServDataMb = *ReadMoneyInput(txtServData->text());
    costs.bServRounding = optWholeMinute->isChecked();
    SaveAndClose(
        [costs](QSettings& store, SettingsProblem* problem) {
            return SaveServiceSettings(store, costs, QLocale(), problem);
        },
        [costs](LoadedSettings& settings) { settings.costs = costs; });
}

} // namespace dialtally
