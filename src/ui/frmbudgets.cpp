#include "ui/frmbudgets.h"

#include "analysis/formatting.h"
#include "analysis/tariffinput.h"
#include "ui/dialoglayout.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace dialtally {
namespace {

constexpr double kBytesPerMb = 1e6;

// The text SetLiveOption takes for what the user typed: empty stays empty (no limit), a number
// in the user's form becomes a plain one; nothing when the text is no number.
std::optional<QString> PlainNumber(const QString& typed, double factor = 1.0)
{
    if (typed.trimmed().isEmpty())
        return QString();
    const auto value = ReadMoneyInput(typed);
    if (!value)
        return std::nullopt;
    return QString::number(*value * factor, 'f', factor == 1.0 ? 4 : 0);
}

} // namespace

frmBudgets::frmBudgets(const SettingsEdit& edit, LiveOptions& options, QWidget* parent)
    : SettingsDialog(edit, QStringLiteral("Budgets"), parent), m_options(options)
{
    setObjectName(QStringLiteral("frmBudgets"));
    fraBudgets = new QGroupBox(QStringLiteral("Monthly Budgets"), this);
    fraBudgets->setObjectName(QStringLiteral("fraBudgets"));
    auto* hint = new QLabel(QStringLiteral("Leave a box empty for no limit."), fraBudgets);
    hint->setObjectName(QStringLiteral("lblHint"));

    using Fit = DialogLayout::Fit;
    using Follow = DialogLayout::Follow;
    DialogLayout layout(this, Scale());
    layout.Add(fraBudgets, 120, 60, 4815, 2535, Fit::Text, Follow::Stretch);
    txtBudgetCost = AddRow(fraBudgets, layout, 300, QStringLiteral("Sum of costs:"), CurrencyText(),
                           "txtBudgetCost");
    txtBudgetMinutes = AddRow(fraBudgets, layout, 660, QStringLiteral("Connected time:"),
                              QStringLiteral("min"), "txtBudgetMinutes");
    txtBudgetMb = AddRow(fraBudgets, layout, 1020, QStringLiteral("Transmitted + received:"),
                         QStringLiteral("Mb"), "txtBudgetMb");
    txtBudgetWarn[0] = AddRow(fraBudgets, layout, 1380, QStringLiteral("Warn at:"),
                              QStringLiteral("%"), "txtBudgetWarn1");
    txtBudgetWarn[1] = AddRow(fraBudgets, layout, 1740, QStringLiteral("and at:"),
                              QStringLiteral("%"), "txtBudgetWarn2");
    layout.Add(hint, 240, 2160, 3615, 255);
    layout.Add(cmdOk, 2220, 2730, 1155, 315, Fit::Text, Follow::Move);
    layout.Add(cmdCancel, 3660, 2730, 1155, 315, Fit::Text, Follow::Move);
    FixSizeAndCentre(layout.Apply(5055, 3180));

    const Budgets& b = m_options.budgets;
    const QLocale locale;
    if (b.vBudgetCost)
        txtBudgetCost->setText(locale.toString(*b.vBudgetCost, 'f', 2));
    if (b.vBudgetMinutes)
        txtBudgetMinutes->setText(QString::number(*b.vBudgetMinutes));
    if (b.vBudgetBytes)
        txtBudgetMb->setText(
            locale.toString(static_cast<double>(*b.vBudgetBytes) / kBytesPerMb, 'g', 12));
    for (std::size_t i = 0; i < txtBudgetWarn.size(); ++i)
        txtBudgetWarn[i]->setText(QString::number(b.iBudgetWarn[i]));
    for (QLineEdit* box :
         {txtBudgetCost, txtBudgetMinutes, txtBudgetMb, txtBudgetWarn[0], txtBudgetWarn[1]})
        connect(box, &QLineEdit::textChanged, this, &frmBudgets::MarkDirty);
    fDirty = false;
}

QLineEdit* frmBudgets::AddRow(QGroupBox* frame, DialogLayout& layout, int top,
                              const QString& caption, const QString& unit, const char* name)
{
    auto* label = new QLabel(caption, frame);
    auto* box = new QLineEdit(frame);
    box->setObjectName(QString::fromLatin1(name));
    auto* unitLabel = new QLabel(unit, frame);
    layout.Add(label, 240, top + 60, 2175, 255);
    layout.Add(box, 2460, top, 1095, 285, DialogLayout::Fit::Fixed);
    layout.Add(unitLabel, 3600, top + 60, 915, 255);
    return box;
}

void frmBudgets::Confirmed()
{
    LiveOptions changed = m_options;
    const struct {
        QLineEdit* box;
        const char* name;
        std::optional<QString> value;
    } entries[] = {
        {txtBudgetCost, "vBudgetCost", PlainNumber(txtBudgetCost->text())},
        {txtBudgetMinutes, "vBudgetMinutes", txtBudgetMinutes->text().trimmed()},
        {txtBudgetMb, "vBudgetBytes", PlainNumber(txtBudgetMb->text(), kBytesPerMb)},
        {txtBudgetWarn[0], "iBudgetWarn1", txtBudgetWarn[0]->text().trimmed()},
        {txtBudgetWarn[1], "iBudgetWarn2", txtBudgetWarn[1]->text().trimmed()},
    };
    for (const auto& entry : entries)
        if (!entry.value || !SetLiveOption(changed, QString::fromLatin1(entry.name), *entry.value))
            return Refuse(entry.box, kDataNotValid);
    std::sort(changed.budgets.iBudgetWarn.begin(), changed.budgets.iBudgetWarn.end());
    LiveOptions& target = m_options;
    SaveAndClose(
        [changed](QSettings& store, SettingsProblem* problem) {
            return SaveLiveOptions(store, changed, problem);
        },
        [&target, changed](LoadedSettings&) { target = changed; });
}

} // namespace dialtally
