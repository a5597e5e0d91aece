#pragma once

#include "analysis/monthly.h"
#include "ui/twips.h"

#include <QWidget>

class QTableView;

namespace dialtally {

class GridTextModel;
class PictureBox;

// The monthly summary page ("picContain2"): the grid grdSum with one row per month and the
// averages, and under it the surface picGraph on which the main window's graph draws.
class MonthlyPage : public QWidget {
    Q_OBJECT
public:
    MonthlyPage(const TwipsScale& scale, QWidget* parent);

    void AddControls(Placement& placement);
    // The months' names take the room the other columns leave.
    void Relayout();

    // One row per month, empty rows, the averages, and the current month's estimate when there
    // is one. A summary without months shows the given month with nothing used.
    void Fill(const MonthlySummary& summary, int emptyMonth, const MonthTotals* estimate = nullptr);

    QTableView* Grid() const { return m_grdSum; }
    GridTextModel& Model() const { return *m_model; }
    PictureBox* GraphSurface() const { return m_picGraph; }

private:
    GridTextModel* m_model = nullptr;
    QTableView* m_grdSum = nullptr;
    PictureBox* m_picGraph = nullptr;
    // The rows of the grid, the header included; it grows but never shrinks.
    int m_rows = 8;
};

} // namespace dialtally
