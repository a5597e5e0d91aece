#pragma once

#include "analysis/analysis.h"
#include "log/sessionlog.h"
#include "ui/twips.h"

#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QTableView;

namespace dialtally {

class SessionTableModel;

// The session table page ("picContain0"): the table of sessions grdTime and, under it, the sum of
// the sessions the user selected, each sum in a box under the column it sums.
class SessionPage : public QWidget {
    Q_OBJECT
public:
    SessionPage(const TwipsScale& scale, QWidget* parent);

    // Pixels the page needs beyond its design so that the columns and the widest sums fit.
    int ExtraWidthNeeded() const { return m_extraWidth; }
    // The controls that follow the page when it is widened.
    void AddControls(Placement& placement);
    // Fits the columns to the table's width and puts the sums under them again.
    void Relayout();

    // Shows sessions[first..last]; the list must outlive the page or the next Fill.
    void Fill(const SessionList& sessions, SessionIndex first, SessionIndex last);
    // The empty table: a block of empty rows.
    void ShowEmpty();
    void ShowSum(const RangeSummary& sum);
    // Tells the rows that are selected now (or the current row) as if the user had chosen them.
    void ReportChosenRows();

    QTableView* Grid() const { return m_grdTime; }
    SessionTableModel& Model() const { return *m_model; }

signals:
    // The user chose rows first..last of the table, with the mouse or the keyboard; changes of
    // the selection that the program makes are not told.
    void RowsChosen(int firstRow, int lastRow);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpColumns();
    void FitColumns();
    void PlaceSumBoxes();
    void OnSelectionChanged();

    const TwipsScale m_scale;
    SessionTableModel* m_model = nullptr;
    QTableView* m_grdTime = nullptr;
    QFrame* m_line1 = nullptr;
    // lblSumDur1, lblSumTrns, lblSumRec, lblSumComCosts, lblSumServCosts: under columns 1..5.
    std::array<QLabel*, 5> m_sumBoxes{};
    int m_extraWidth = 0;
    // Set by the user's keys and mouse on the table; a change of the selection made while it is
    // set is the user's choice.
    bool m_touched = false;
};

} // namespace dialtally
