#include "ui/monthlypage.h"

#include "analysis/estimate.h"
#include "analysis/summarytexts.h"
#include "ui/gridtextmodel.h"
#include "ui/pagecontrols.h"
#include "ui/picturebox.h"

#include <QHeaderView>
#include <QTableView>

namespace dialtally {

MonthlyPage::MonthlyPage(const TwipsScale& scale, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picContain2"));
    MakeLightGrey(this);
    const TwipsScale& s = scale;
    const Qt::Alignment centre = Qt::AlignHCenter;
    m_model = new GridTextModel(
        MonthlyCaptions(), {Qt::AlignLeft, centre, centre, centre, centre, centre, centre}, this);
    m_model->SetRows(std::vector<QStringList>(static_cast<std::size_t>(m_rows - 1)));
    m_grdSum = new QTableView(this);
    m_grdSum->setObjectName(QStringLiteral("grdSum"));
    m_grdSum->setModel(m_model);
    const QRect gridRect = s.Rect(120, 120, 7515, 1950);
    m_grdSum->setGeometry(gridRect);
    SetUpGrid(m_grdSum, s, {1350, 1000, 1000, 1000, 1000, 1000, 1000}, 1);
    // The grid shows its header and seven rows without scrolling; where the font's rows are
    // taller than designed the grid grows downwards and the graph below gives up the room.
    const int neededHeight = m_grdSum->horizontalHeader()->height() +
                             (m_rows - 1) * m_grdSum->verticalHeader()->defaultSectionSize() +
                             2 * m_grdSum->frameWidth();
    const int grow = std::max(0, neededHeight - gridRect.height());
    m_grdSum->resize(gridRect.width(), gridRect.height() + grow);

    m_picGraph = new PictureBox(this);
    m_picGraph->setObjectName(QStringLiteral("picGraph"));
    QRect graphRect = s.Rect(120, 2220, 7515, 2535);
    graphRect.setTop(graphRect.top() + grow);
    m_picGraph->setGeometry(graphRect);
}

void MonthlyPage::AddControls(Placement& placement)
{
    placement.Add(this, Anchor::Stretch);
    placement.Add(m_grdSum, Anchor::Stretch);
    placement.Add(m_picGraph, Anchor::Stretch);
}

void MonthlyPage::Relayout()
{
    FillWithFirstColumn(m_grdSum);
}

void MonthlyPage::Fill(const MonthlySummary& summary, int emptyMonth, const MonthTotals* estimate)
{
    const int entries = static_cast<int>(summary.months.size());
    // The estimate takes the row under the averages, in the grid's own rows while an empty row
    // is left above the averages, so that it shows without scrolling.
    m_rows = std::max(m_rows, entries + 3 + (estimate ? 1 : 0));
    // Rows under the header: the months, empty rows, and the averages row last.
    std::vector<QStringList> rows(static_cast<std::size_t>(m_rows - 1));
    for (std::size_t i = 0; i < summary.months.size(); ++i)
        rows[i] = MonthRow(summary.months[i], false);
    if (summary.months.empty())
        rows[0] = EmptyMonthRow(emptyMonth, 0, false);
    if (estimate) {
        rows[rows.size() - 2] = AveragesRow(summary.averages);
        rows.back() = EstimateRow(*estimate);
    } else {
        rows.back() = AveragesRow(summary.averages);
    }
    m_model->SetRows(std::move(rows));
}

} // namespace dialtally
