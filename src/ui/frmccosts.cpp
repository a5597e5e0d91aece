#include "ui/frmccosts.h"

#include "analysis/formatting.h"
#include "analysis/ownsettings.h"
#include "analysis/tariffinput.h"
#include "ui/dialoglayout.h"
#include "ui/picturebox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace dialtally {
namespace {

using Fit = DialogLayout::Fit;
using Follow = DialogLayout::Follow;

// The colours of the three rate codes, as the swatches beside the rates show them.
const std::array<QColor, 4> kRateColours = {QColor(), QColor(128, 128, 128), QColor(255, 0, 0),
                                            QColor(0, 255, 255)};
const char* const kRateCaptions[] = {"", "Default Rate", "Additional Rate", "Delayed Rate"};

// A list that asks for no more height than the design gives it: the layout keeps the larger of
// the design height and the size a control asks for, and a list asks for a tall one.
class ShortList : public QListWidget {
public:
    using QListWidget::QListWidget;
    QSize sizeHint() const override { return {QListWidget::sizeHint().width(), 0}; }
};

RatesColors SystemColours(const QPalette& palette)
{
    RatesColors colours;
    colours.darkShadow = palette.color(QPalette::Shadow);
    colours.highlight = palette.color(QPalette::Light);
    colours.buttonFace = palette.color(QPalette::Button);
    colours.text = Qt::black;
    return colours;
}

template <typename T> T* Named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QString Indexed(const char* name, int index)
{
    return QString::fromLatin1(name) + QString::number(index);
}

} // namespace

frmCCosts::frmCCosts(const SettingsEdit& edit, QWidget* parent)
    : SettingsDialog(edit, QStringLiteral("Communication Costs"), parent),
      m_rates(SystemColours(palette()))
{
    setObjectName(QStringLiteral("frmCCosts"));
    BuildControls();
    LoadValues();
}

frmCCosts::~frmCCosts() = default;

void frmCCosts::BuildControls()
{
    chEnabled = Named(new QCheckBox(QStringLiteral("Enabled / Disabled"), this),
                      QStringLiteral("chEnabled"));
    fraRates = Named(
        new QGroupBox(QStringLiteral("Communication Costs (Payed to your Telecom Company)"), this),
        QStringLiteral("fraRates"));
    lblComCon =
        Named(new QLabel(QStringLiteral(" Flat Rate "), fraRates), QStringLiteral("lblComCon"));
    txtComCon = Named(new QLineEdit(fraRates), QStringLiteral("txtComCon"));
    const QString currency = CurrencyText();
    for (int i = 0; i < 4; ++i) {
        const QString unit = i == 0 ? QStringLiteral(" / connection") : QStringLiteral(" / min.");
        lbCUnit[i] = Named(new QLabel(currency + unit, fraRates), Indexed("lbCUnit", i));
    }
    for (int code = 1; code <= 3; ++code) {
        optRate[code] = Named(new QRadioButton(QString::fromLatin1(kRateCaptions[code]), fraRates),
                              Indexed("optRate", code));
        auto* swatch = Named(new QLabel(fraRates), Indexed("lblColorRate", code));
        swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        swatch->setAutoFillBackground(true);
        QPalette palette = swatch->palette();
        palette.setColor(QPalette::Window, kRateColours[code]);
        swatch->setPalette(palette);
        swatch->installEventFilter(this);
        lblColorRate[code] = swatch;
        txtRate[code] = Named(new QLineEdit(fraRates), Indexed("txtRate", code));
        connect(optRate[code], &QRadioButton::clicked, this, [this, code] { iBrush = code; });
    }
    optRate[1]->setChecked(true);
    lblDelay = Named(new QLabel(QStringLiteral("Delay"), fraRates), QStringLiteral("lblDelay"));
    txtDelay = Named(new QLineEdit(fraRates), QStringLiteral("txtDelay"));
    lblTUnit = Named(new QLabel(QStringLiteral("min."), fraRates), QStringLiteral("lblTUnit"));
    // The picture box's sunken border; the grid is drawn inside it, in pixels.
    picRatesBorder = Named(new QFrame(fraRates), QStringLiteral("picRatesBorder"));
    picRatesBorder->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picRatesBorder->setLineWidth(2);
    picRates = Named(new PictureBox(picRatesBorder), QStringLiteral("picRates"));
    picRates->installEventFilter(this);

    for (QLineEdit* box : {txtComCon, txtRate[1], txtRate[2], txtRate[3], txtDelay}) {
        UseFaceColourWhenDisabled(box);
        connect(box, &QLineEdit::textChanged, this, &frmCCosts::MarkDirty);
    }
    connect(chEnabled, &QCheckBox::clicked, this, [this] {
        ApplyEnabledState();
        MarkDirty();
    });

    fraHolidays = Named(new QGroupBox(QStringLiteral("Holidays (charged as Sundays)"), this),
                        QStringLiteral("fraHolidays"));
    lstHolidays = Named(new ShortList(fraHolidays), QStringLiteral("lstHolidays"));
    UseFaceColourWhenDisabled(lstHolidays);
    txtHoliday = Named(new QLineEdit(fraHolidays), QStringLiteral("txtHoliday"));
    UseFaceColourWhenDisabled(txtHoliday);
    cmdAddHoliday = Named(new QPushButton(QStringLiteral("&Add"), fraHolidays),
                          QStringLiteral("cmdAddHoliday"));
    cmdRemoveHoliday = Named(new QPushButton(QStringLiteral("&Remove"), fraHolidays),
                             QStringLiteral("cmdRemoveHoliday"));
    lblHolidayForms = Named(new QLabel(QStringLiteral("12-25 every year, 2027-05-14 once,\n"
                                                      "easter-2, easter+1: from Easter Sunday"),
                                       fraHolidays),
                            QStringLiteral("lblHolidayForms"));
    connect(cmdAddHoliday, &QPushButton::clicked, this, &frmCCosts::AddHoliday);
    connect(cmdRemoveHoliday, &QPushButton::clicked, this, &frmCCosts::RemoveHoliday);

    PlaceControls();
}

// The design's places in twips, grown where this system's fonts need more room.
void frmCCosts::PlaceControls()
{
    DialogLayout layout(this, Scale());
    layout.Add(chEnabled, 120, 120, 2235, 255);
    layout.Add(fraRates, 120, 420, 6855, 3975, Fit::Text, Follow::Stretch);
    layout.Add(lblComCon, 420, 360, 1215, 255);
    layout.Add(txtComCon, 2040, 300, 855, 285, Fit::Fixed);
    layout.Add(lbCUnit[0], 2940, 360, 1695, 255);
    for (int code = 1; code <= 3; ++code) {
        const int top = 780 + 360 * (code - 1);
        layout.Add(optRate[code], 180, top, 1455, 255);
        layout.Add(lblColorRate[code], 1680, top - 30, 315, 285, Fit::Fixed);
        layout.Add(txtRate[code], 2040, top - 30, 855, 285, Fit::Fixed);
        layout.Add(lbCUnit[code], 2940, top, 795, 255);
    }
    layout.Add(lblDelay, 3720, 1500, 615, 255);
    layout.Add(txtDelay, 4200, 1470, 735, 285, Fit::Fixed);
    layout.Add(lblTUnit, 4980, 1500, 495, 255);
    layout.Add(picRatesBorder, 180, 1860, 6495, 1935, Fit::Fixed);
    layout.Add(fraHolidays, 120, 4500, 6855, 1575, Fit::Text, Follow::Stretch);
    layout.Add(lstHolidays, 180, 300, 2175, 1155, Fit::Fixed);
    layout.Add(txtHoliday, 2520, 300, 1335, 285, Fit::Fixed);
    layout.Add(cmdAddHoliday, 3960, 285, 1155, 315);
    layout.Add(cmdRemoveHoliday, 5280, 285, 1155, 315);
    layout.Add(lblHolidayForms, 2520, 780, 4215, 495);
    layout.Add(cmdOk, 4380, 6240, 1155, 315, Fit::Text, Follow::Move);
    layout.Add(cmdCancel, 5820, 6240, 1155, 315, Fit::Text, Follow::Move);
    FixSizeAndCentre(layout.Apply(7110, 6675));
    picRates->setGeometry(picRatesBorder->contentsRect());

    // The tab order of the design: the switch, the rates to paint with, the amounts, the buttons.
    QWidget* const order[] = {chEnabled,  optRate[1],    optRate[2],       optRate[3], txtComCon,
                              txtRate[1], txtRate[2],    txtRate[3],       txtDelay,   lstHolidays,
                              txtHoliday, cmdAddHoliday, cmdRemoveHoliday, cmdOk,      cmdCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    chEnabled->setFocus();
}

void frmCCosts::LoadValues()
{
    const CostSettings& costs = Settings().costs;
    picRates->CreatePicture(palette().color(QPalette::Button), Scale().TwipsPerPixelX(),
                            Scale().TwipsPerPixelY());
    m_rates.SetOutput(picRates->Surface());
    m_rates.SetRateColor1(kRateColours[1]);
    m_rates.SetRateColor2(kRateColours[2]);
    m_rates.SetRateColor3(kRateColours[3]);
    for (std::int16_t d = 1; d <= kDaysPerWeek; ++d)
        for (std::int16_t h = 0; h < kHoursPerDay; ++h)
            m_rates.SetData(h, d, costs.vCommRatesDay(h, d));
    chEnabled->setChecked(costs.bCommCosts);
    txtComCon->setText(MoneyText(costs.vCommConnect));
    for (int code = 1; code <= 3; ++code)
        txtRate[code]->setText(MoneyText(costs.vCommRate[static_cast<std::size_t>(code - 1)]));
    txtDelay->setText(QString::number(costs.vCommRateDelayMinutes));
    lstHolidays->clear();
    for (const Holiday& holiday : costs.vHolidays)
        lstHolidays->addItem(HolidayText(holiday));
    iBrush = 1;
    ApplyEnabledState();
    fDirty = false;
    m_rates.ReDraw();
    m_rates.bAutoRedraw = true;
}

void frmCCosts::ApplyEnabledState()
{
    const bool on = chEnabled->isChecked();
    QWidget* const tariff[] = {lblComCon,  txtComCon,  lbCUnit[0], lbCUnit[1], lbCUnit[2],
                               lbCUnit[3], optRate[1], optRate[2], optRate[3], txtRate[1],
                               txtRate[2], txtRate[3], lblDelay,   txtDelay,   lblTUnit,
                               picRates,   fraHolidays};
    for (QWidget* control : tariff)
        control->setEnabled(on);
}

bool frmCCosts::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    // The grid is not painted while it is switched off, whoever delivers the event.
    if (watched == picRates && picRates->isEnabled() &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseMove)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        OnPaint(mouse->buttons(), mouse->position());
    }
    if (type == QEvent::MouseButtonPress) {
        for (int code = 1; code <= 3; ++code) {
            if (watched == lblColorRate[code]) {
                optRate[code]->setChecked(true);
                iBrush = static_cast<std::int16_t>(code);
            }
        }
    }
    return SettingsDialog::eventFilter(watched, event);
}

// The left button alone paints with the chosen rate, the right button alone erases to the
// default rate; a position outside the cells paints nothing.
void frmCCosts::OnPaint(Qt::MouseButtons buttons, QPointF position)
{
    std::int16_t code = 0;
    if (buttons == Qt::LeftButton)
        code = iBrush;
    else if (buttons == Qt::RightButton)
        code = 1;
    else
        return;
    m_rates.SetData(m_rates.GetHourFromX(static_cast<float>(position.x())),
                    m_rates.GetDayFromY(static_cast<float>(position.y())), code);
    fDirty = true;
}

// The entry is kept in its own text form; one already in the list is not added twice.
void frmCCosts::AddHoliday()
{
    const auto holiday = ReadHoliday(txtHoliday->text());
    if (!holiday)
        return Refuse(txtHoliday, kDataNotValid);
    const QString text = HolidayText(*holiday);
    if (lstHolidays->findItems(text, Qt::MatchExactly).isEmpty()) {
        lstHolidays->addItem(text);
        MarkDirty();
    }
    lstHolidays->setCurrentRow(lstHolidays->count() - 1);
    txtHoliday->clear();
}

void frmCCosts::RemoveHoliday()
{
    const int row = lstHolidays->currentRow();
    if (row < 0)
        return;
    delete lstHolidays->takeItem(row);
    MarkDirty();
}

void frmCCosts::Confirmed()
{
    const auto connectCharge = ReadMoneyInput(txtComCon->text());
    if (!connectCharge)
        return Refuse(txtComCon, kDataNotValid);
    // A negative delay would charge more minutes at the delayed rate than an hour holds; the
    // store does not take one back either.
    const auto delay = ReadWholeInput(txtDelay->text());
    if (!delay || *delay < 0)
        return Refuse(txtDelay, kDataNotValid);
    std::array<double, 3> rates{};
    for (int code = 1; code <= 3; ++code) {
        const auto rate = ReadMoneyInput(txtRate[code]->text());
        if (!rate)
            return Refuse(txtRate[code], kDataNotValid);
        rates[static_cast<std::size_t>(code - 1)] = *rate;
    }

    CostSettings costs = Settings().costs;
    costs.bCommCosts = chEnabled->isChecked();
    costs.vCommConnect = *connectCharge;
    costs.vCommRateDelayMinutes = *delay;
    costs.vCommRate = rates;
    for (std::int16_t d = 1; d <= kDaysPerWeek; ++d)
        for (std::int16_t h = 0; h < kHoursPerDay; ++h)
            costs.vCommRatesDay(h, d) = m_rates.iGetHourDaySetting(h, d);
    costs.vHolidays.clear();
    for (int row = 0; row < lstHolidays->count(); ++row)
        costs.vHolidays.push_back(*ReadHoliday(lstHolidays->item(row)->text()));
    SaveAndClose(
        [costs](QSettings& store, SettingsProblem* problem) {
            return SaveCommunicationSettings(store, costs, QLocale(), problem) &&
                   SaveHolidays(store, costs.vHolidays, problem);
        },
        [costs](LoadedSettings& settings) { settings.costs = costs; });
}

} // namespace dialtally
