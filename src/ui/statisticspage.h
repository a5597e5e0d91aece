#pragma once

#include "analysis/analysis.h"
#include "ui/twips.h"

#include <QWidget>
#include <array>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;

namespace dialtally {

// The statistics page ("picContain1"): the frame "Connection Log Analyzis" with the time period,
// the longest and shortest connection, the average, the number of sessions and the seven error
// totals of the whole log or the chosen period.
class StatisticsPage : public QWidget {
    Q_OBJECT
public:
    StatisticsPage(const TwipsScale& scale, QWidget* parent);

    // Pixels the page needs beyond its design: the captions and date-times of this system's
    // fonts move the columns of value boxes right.
    int ExtraWidthNeeded() const { return m_extraWidth; }
    void AddControls(Placement& placement);

    void Fill(const Statistics& statistics);

private:
    QGroupBox* m_frame = nullptr;
    std::vector<QFrame*> m_separators;
    int m_extraWidth = 0;

    QLabel* m_lblStart = nullptr;
    QLabel* m_lblEnd = nullptr;
    QLabel* m_lblLongUp = nullptr;
    QLabel* m_lblLongDwn = nullptr;
    QLabel* m_lblLongDur = nullptr;
    QLabel* m_lblShortUp = nullptr;
    QLabel* m_lblShortDwn = nullptr;
    QLabel* m_lblShortDur = nullptr;
    QLabel* m_lblAverage = nullptr;
    QLabel* m_lblNumSes = nullptr;
    // In the order of the error counters.
    std::array<QLabel*, kErrorCounterCount> m_errorBoxes{};
};

} // namespace dialtally
