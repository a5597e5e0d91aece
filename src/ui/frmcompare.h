#pragma once

#include "analysis/comparison.h"

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;

namespace dialtally {

class GridTextModel;
class PictureBox;
class clsComparisonGraph;

// "Compare Tariffs": the sessions priced under the tariff in force and under each saved tariff,
// month by month, as the table that the command line's compare prints (ComparisonTable) and a
// bar graph of the monthly sums (clsComparisonGraph). It shows what it is given and changes
// nothing.
class frmCompare : public QDialog {
    Q_OBJECT
public:
    explicit frmCompare(TariffComparison comparison, QWidget* parent = nullptr);
    ~frmCompare() override;

    const GridTextModel& Table() const { return *m_model; }
    const PictureBox& Graph() const { return *picCompare; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void RedrawGraph();

    TariffComparison m_comparison;
    GridTextModel* m_model = nullptr;
    QTableView* grdCompare = nullptr;
    PictureBox* picCompare = nullptr;
    QLabel* lblNote = nullptr;
    QPushButton* cmdClose = nullptr;
    std::unique_ptr<clsComparisonGraph> m_graph;
};

} // namespace dialtally
