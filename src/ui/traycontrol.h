#pragma once

#include "analysis/budgets.h"
#include "analysis/settings.h"
#include "log/datetime.h"
#include "log/sessionlog.h"

#include <QObject>
#include <QString>
#include <set>
#include <tuple>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace dialtally {

// "May so far: 90 min, $12.40": the current month's use and costs; without costs when both are
// off.
QString MonthSoFarText(const SessionList& sessions, DateTime now, const CostSettings& costs,
                       double vServFlatMonth, const BillingCycle& cycle = BillingCycle(),
                       const QLocale& locale = QLocale());

// The program in the desktop's tray: an icon for online and one for offline, a tooltip with the
// open session's line or the month so far, and a menu with Show, Update Log, Follow the Logger
// and Exit. The icon and its menu are made on every desktop, so that they can be tested; the
// icon is shown only where the desktop has a tray.
class TrayControl : public QObject {
    Q_OBJECT
public:
    explicit TrayControl(QObject* parent = nullptr);
    ~TrayControl() override;

    static bool Available();

    // Shows the state: online or not, and the tooltip's text.
    void ShowState(bool online, const QString& line);
    // Tells each threshold a budget reached as a notification, once per threshold and month.
    // Returns how many were new.
    int Announce(const std::vector<BudgetUse>& uses, DateTime monthStart);
    void SetFollowChecked(bool on);

    QSystemTrayIcon* Icon() const { return m_icon; }
    QMenu* Menu() const { return m_menu; }
    bool Online() const { return m_online; }

signals:
    void ShowRequested();
    void UpdateRequested();
    void FollowToggled(bool on);
    void ExitRequested();

private:
    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_follow = nullptr;
    bool m_online = false;
    std::set<std::tuple<int, int, std::int64_t>> m_announced; // kind, threshold, month start
};

} // namespace dialtally
