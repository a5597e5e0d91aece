#include "ui/traycontrol.h"

#include "analysis/estimate.h"
#include "analysis/formatting.h"
#include "analysis/summarytexts.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace dialtally {
namespace {

// A round lamp: green while online, grey while offline.
QIcon LampIcon(bool online)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(online ? QColor(0, 192, 0) : QColor(160, 160, 160));
    painter.drawEllipse(3, 3, 26, 26);
    return QIcon(pixmap);
}

} // namespace

QString MonthSoFarText(const SessionList& sessions, DateTime now, const CostSettings& costs,
                       double vServFlatMonth, const BillingCycle& cycle, const QLocale& locale)
{
    const MonthSpan span = CurrentMonthSpan(now, cycle);
    const auto month = MonthSoFar(sessions, span, vServFlatMonth);
    const MonthTotals totals = month.value_or(MonthTotals{});
    const CivilTime start = ToCivil(span.start);
    const QString name = cycle.IsCalendarMonth()
                             ? locale.standaloneMonthName(start.month)
                             : cycle.Label({start.year, start.month}, false, locale);
    QString text = QStringLiteral("%1 so far: %2").arg(name, MinutesText(totals.Minutes()));
    if (costs.bCommCosts || costs.bServCosts)
        text += QStringLiteral(", ") +
                FormatCurrency(month ? totals.SumCost() : vServFlatMonth, locale);
    return text;
}

TrayControl::TrayControl(QObject* parent) : QObject(parent)
{
    m_menu = new QMenu();
    m_menu->setObjectName(QStringLiteral("mnuTray"));
    connect(m_menu->addAction(QStringLiteral("&Show")), &QAction::triggered, this,
            &TrayControl::ShowRequested);
    connect(m_menu->addAction(QStringLiteral("&Update Log")), &QAction::triggered, this,
            &TrayControl::UpdateRequested);
    m_follow = m_menu->addAction(QStringLiteral("&Follow the Logger"));
    m_follow->setCheckable(true);
    connect(m_follow, &QAction::triggered, this, &TrayControl::FollowToggled);
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("E&xit")), &QAction::triggered, this,
            &TrayControl::ExitRequested);

    m_icon = new QSystemTrayIcon(LampIcon(false), this);
    m_icon->setContextMenu(m_menu);
    m_icon->setToolTip(QStringLiteral("Dialtally"));
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            emit ShowRequested();
    });
    if (Available())
        m_icon->show();
}

TrayControl::~TrayControl()
{
    delete m_menu;
}

bool TrayControl::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayControl::ShowState(bool online, const QString& line)
{
    if (online != m_online || m_icon->icon().isNull())
        m_icon->setIcon(LampIcon(online));
    m_online = online;
    m_icon->setToolTip(QStringLiteral("Dialtally\n") + line);
}

int TrayControl::Announce(const std::vector<BudgetUse>& uses, DateTime monthStart)
{
    int fresh = 0;
    for (const BudgetUse& use : uses) {
        if (use.threshold == 0)
            continue;
        const auto key =
            std::make_tuple(static_cast<int>(use.kind), use.threshold, monthStart.seconds);
        if (!m_announced.insert(key).second)
            continue;
        ++fresh;
        if (m_icon->isVisible())
            m_icon->showMessage(QStringLiteral("Dialtally"), BudgetWarningText({use}),
                                QSystemTrayIcon::Warning);
    }
    return fresh;
}

void TrayControl::SetFollowChecked(bool on)
{
    m_follow->setChecked(on);
}

} // namespace dialtally
