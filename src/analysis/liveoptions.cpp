#include "analysis/liveoptions.h"

#include <QSettings>
#include <algorithm>

namespace dialtally {
namespace {

const QString kFollow = QStringLiteral("Live/bFollowLogger");
const QString kKeepInTray = QStringLiteral("Live/bKeepInTray");
const QString kCost = QStringLiteral("Budgets/vBudgetCost");
const QString kMinutes = QStringLiteral("Budgets/vBudgetMinutes");
const QString kBytes = QStringLiteral("Budgets/vBudgetBytes");
const QString kWarn1 = QStringLiteral("Budgets/iBudgetWarn1");
const QString kWarn2 = QStringLiteral("Budgets/iBudgetWarn2");

QString Name(const QString& key)
{
    return key.mid(key.indexOf(QLatin1Char('/')) + 1);
}

std::optional<bool> ParseFlag(const QString& text)
{
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

// A limit is a number above 0; the empty text is no limit.
bool ParseMoneyLimit(const QString& text, std::optional<double>& limit)
{
    if (text.trimmed().isEmpty()) {
        limit.reset();
        return true;
    }
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !(value > 0.0) || value > 1e12)
        return false;
    limit = value;
    return true;
}

bool ParseWholeLimit(const QString& text, std::optional<std::int64_t>& limit)
{
    if (text.trimmed().isEmpty()) {
        limit.reset();
        return true;
    }
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value <= 0)
        return false;
    limit = value;
    return true;
}

bool ParsePercent(const QString& text, int& percent)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1 || value > 1000)
        return false;
    percent = value;
    return true;
}

QString FlagText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString LimitText(const std::optional<double>& limit)
{
    return limit ? QString::number(*limit, 'g', 15) : QString();
}

QString LimitText(const std::optional<std::int64_t>& limit)
{
    return limit ? QString::number(*limit) : QString();
}

void SortThresholds(Budgets& budgets)
{
    std::sort(budgets.iBudgetWarn.begin(), budgets.iBudgetWarn.end());
}

} // namespace

LiveOptions LoadLiveOptions(QSettings& store)
{
    LiveOptions options;
    const auto read = [&store](const QString& key) { return store.value(key).toString(); };
    for (const QString& key : {kFollow, kKeepInTray, kCost, kMinutes, kBytes, kWarn1, kWarn2}) {
        // A value that fails its check keeps the default rather than stop the program.
        LiveOptions tried = options;
        if (store.contains(key) && SetLiveOption(tried, Name(key), read(key)))
            options = tried;
    }
    SortThresholds(options.budgets);
    return options;
}

bool SaveLiveOptions(QSettings& store, const LiveOptions& options, SettingsProblem* problem)
{
    if (!CheckSettingsFile(store.fileName(), problem))
        return false;
    const Budgets& b = options.budgets;
    store.setValue(kFollow, FlagText(options.bFollowLogger));
    store.setValue(kKeepInTray, FlagText(options.bKeepInTray));
    store.setValue(kCost, LimitText(b.vBudgetCost));
    store.setValue(kMinutes, LimitText(b.vBudgetMinutes));
    store.setValue(kBytes, LimitText(b.vBudgetBytes));
    store.setValue(kWarn1, QString::number(b.iBudgetWarn[0]));
    store.setValue(kWarn2, QString::number(b.iBudgetWarn[1]));
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;
    if (problem)
        *problem = {store.fileName(), 0, QStringLiteral("cannot be written")};
    return false;
}

QStringList LiveOptionNames()
{
    QStringList names;
    for (const QString& key : {kFollow, kKeepInTray, kCost, kMinutes, kBytes, kWarn1, kWarn2})
        names << Name(key);
    return names;
}

bool SetLiveOption(LiveOptions& options, const QString& name, const QString& value)
{
    LiveOptions changed = options;
    Budgets& b = changed.budgets;
    bool ok = false;
    if (name == Name(kFollow) || name == Name(kKeepInTray)) {
        const auto flag = ParseFlag(value.trimmed());
        ok = flag.has_value();
        if (ok)
            (name == Name(kFollow) ? changed.bFollowLogger : changed.bKeepInTray) = *flag;
    } else if (name == Name(kCost)) {
        ok = ParseMoneyLimit(value, b.vBudgetCost);
    } else if (name == Name(kMinutes)) {
        ok = ParseWholeLimit(value, b.vBudgetMinutes);
    } else if (name == Name(kBytes)) {
        ok = ParseWholeLimit(value, b.vBudgetBytes);
    } else if (name == Name(kWarn1)) {
        ok = ParsePercent(value, b.iBudgetWarn[0]);
    } else if (name == Name(kWarn2)) {
        ok = ParsePercent(value, b.iBudgetWarn[1]);
    }
    if (ok)
        options = changed;
    return ok;
}

QString LiveOptionsText(const LiveOptions& options)
{
    const Budgets& b = options.budgets;
    const QString values[] = {FlagText(options.bFollowLogger),  FlagText(options.bKeepInTray),
                              LimitText(b.vBudgetCost),         LimitText(b.vBudgetMinutes),
                              LimitText(b.vBudgetBytes),        QString::number(b.iBudgetWarn[0]),
                              QString::number(b.iBudgetWarn[1])};
    QString text;
    const QStringList names = LiveOptionNames();
    for (qsizetype i = 0; i < names.size(); ++i)
        text += names[i] + QLatin1Char('=') + values[i] + QLatin1Char('\n');
    return text;
}

} // namespace dialtally
