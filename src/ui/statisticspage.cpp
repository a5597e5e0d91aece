#include "ui/statisticspage.h"

#include "analysis/formatting.h"
#include "analysis/summarytexts.h"
#include "ui/pagecontrols.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>

namespace dialtally {
namespace {

// Where the value boxes stand, in pixels. The design places them in columns at fixed twips;
// where the captions or the date-times of this system's fonts need more room, a column moves
// right just enough.
struct Columns {
    int gap = 4;
    int xA = 0;        // captions
    int xB = 0;        // first values
    int xTo = 0;       // "To" of the time period
    int xEnd = 0;      // last day of the time period
    int xDash = 0;     // "-" between up and down time
    int xC = 0;        // down times
    int xD = 0;        // durations
    int xE = 0;        // captions of the right-hand error totals
    int xF = 0;        // right-hand error totals
    int wDate = 0;     // a date
    int wDateTime = 0; // a date and a time
    int wNumber = 0;   // a count
};

int WidestText(const QFontMetrics& metrics, const QStringList& texts)
{
    int width = 0;
    for (const QString& text : texts)
        width = std::max(width, metrics.horizontalAdvance(text));
    return width;
}

Columns MeasureColumns(const TwipsScale& s, const QFont& plain, const QFont& boldValue)
{
    const QFontMetrics plainMetrics(plain);
    const QFontMetrics boldMetrics(boldValue);
    const auto& errors = ErrorCaptions();
    const int captionWidth = WidestText(
        plainMetrics,
        {QStringLiteral("Time period:"), QStringLiteral("Longest Connection:"),
         QStringLiteral("Shortest Connection:"), QStringLiteral("Average Connection Time:"),
         QStringLiteral("Number of Sessions:"), errors[0], errors[1], errors[2], errors[6]});
    QStringList dateTimes, dates;
    for (int month = 1; month <= 12; ++month) {
        const DateTime sample = *MakeDateTime(2024, month, 28, 20, 58, 58);
        dateTimes << FormatDateTime(sample);
        dates << FormatShortDate(sample);
    }
    Columns c;
    const int pad = 10;
    c.xA = s.X(180);
    c.xB = std::max(s.X(2280), c.xA + captionWidth + 2 * c.gap);
    c.wDate = std::max(s.X(1155), WidestText(boldMetrics, dates) + pad);
    c.wDateTime = std::max(s.X(1635), WidestText(boldMetrics, dateTimes) + pad);
    c.wNumber = s.X(915);
    c.xDash = std::max(s.X(3960), c.xB + c.wDateTime + c.gap);
    c.xC =
        std::max(s.X(4200), c.xDash + plainMetrics.horizontalAdvance(QStringLiteral("-")) + c.gap);
    c.xD = std::max(s.X(6000), c.xC + c.wDateTime + 2 * c.gap);
    c.xTo = std::max(s.X(3660), c.xB + c.wDate + c.gap);
    c.xEnd = std::max(c.xC, c.xTo + plainMetrics.horizontalAdvance(QStringLiteral("To")) + c.gap);
    c.xE = std::max(s.X(4080), c.xB + c.wNumber + 4 * c.gap);
    c.xF = std::max(c.xD,
                    c.xE + WidestText(plainMetrics, {errors[3], errors[4], errors[5]}) + 2 * c.gap);
    return c;
}

} // namespace

StatisticsPage::StatisticsPage(const TwipsScale& scale, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picContain1"));
    MakeLightGrey(this);
    const TwipsScale& s = scale;
    m_frame = new QGroupBox(QStringLiteral("Connection Log Analyzis"), this);
    m_frame->setObjectName(QStringLiteral("fraStatistics"));
    QFont bold = m_frame->font();
    bold.setBold(true);
    m_frame->setFont(bold);
    m_frame->setGeometry(s.Rect(120, 0, 7515, 4695));
    QFont plain = font();
    plain.setBold(false);
    QFont boldValue = plain;
    boldValue.setBold(true);
    const Columns c = MeasureColumns(s, plain, boldValue);

    auto caption = [&](const QString& text, int x, int top, const char* name = nullptr) {
        QLabel* label = MakeLabel(m_frame, text, name);
        label->setFont(plain);
        const int height = std::max(s.Y(255), label->sizeHint().height());
        label->setGeometry(x, s.Y(top) + (s.Y(255) - height) / 2, label->sizeHint().width(),
                           height);
        return label;
    };
    auto value = [&](const char* name, int x, int top, int width) {
        QLabel* box = MakeValueBox(m_frame, name);
        box->setFont(boldValue);
        const int height = std::max(s.Y(255), box->fontMetrics().height() + 2);
        box->setGeometry(x, s.Y(top) + (s.Y(255) - height) / 2, width, height);
        return box;
    };
    auto separator = [&](const char* name, int top, int height) {
        auto* line = new QFrame(m_frame);
        line->setObjectName(QString::fromLatin1(name));
        line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        line->setGeometry(s.Rect(120, top, 7275, height));
        m_separators.push_back(line);
    };

    caption(QStringLiteral("Time period:"), c.xA, 360);
    m_lblStart = value("lblStart", c.xB, 360, c.wDate);
    caption(QStringLiteral("To"), c.xTo, 360);
    m_lblEnd = value("lblEnd", c.xEnd, 360, c.wDate);
    separator("Frame3", 660, 75);
    caption(QStringLiteral("Communication Statistics:"), c.xA, 900);

    caption(QStringLiteral("Longest Connection:"), c.xA, 1200);
    m_lblLongUp = value("lblLongUp", c.xB, 1200, c.wDateTime);
    caption(QStringLiteral("-"), c.xDash, 1200);
    m_lblLongDwn = value("lblLongDwn", c.xC, 1200, c.wDateTime);
    m_lblLongDur = value("lblLongDur", c.xD, 1200, c.wNumber);
    QLabel* minutes = caption(QStringLiteral("min"), c.xD + c.wNumber + c.gap, 1200);

    caption(QStringLiteral("Shortest Connection:"), c.xA, 1560);
    m_lblShortUp = value("lblShortUp", c.xB, 1560, c.wDateTime);
    caption(QStringLiteral("-"), c.xDash, 1560);
    m_lblShortDwn = value("lblShortDwn", c.xC, 1560, c.wDateTime);
    m_lblShortDur = value("lblShortDur", c.xD, 1560, c.wNumber);
    caption(QStringLiteral("min"), c.xD + c.wNumber + c.gap, 1560);

    caption(QStringLiteral("Average Connection Time:"), c.xA, 1920);
    m_lblAverage = value("lblAverage", c.xB, 1920, c.wNumber);
    caption(QStringLiteral("min"), c.xB + c.wNumber + c.gap, 1920);
    caption(QStringLiteral("Number of Sessions:"), c.xA, 2280);
    m_lblNumSes = value("lblNumSes", c.xB, 2280, c.wNumber);
    separator("Frame1", 2640, 60);
    caption(QStringLiteral("Communication Errors During Time Period:"), c.xA, 2880);

    // lblErrDesc (0..6) and the boxes of the error totals, in the order of the counters
    // (CRC, timeout, alignment, overrun, framing, buffer overrun, incomplete packets).
    struct ErrorRow {
        int descIndex;
        const char* box;
        bool right;
        int top;
    };
    const ErrorRow rows[kErrorCounterCount] = {
        {0, "lblErrCRC", false, 3180},         {6, "lblErrTimeOut", false, 3540},
        {4, "lblErrAlign", false, 3900},       {1, "lblOverrnErr", true, 3180},
        {3, "lblFramErr", true, 3540},         {5, "lblErrBufOverrn", true, 3900},
        {2, "lblErrIncomplPack", false, 4260},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const ErrorRow& row = rows[i];
        QLabel* desc = caption(ErrorCaptions()[i], row.right ? c.xE : c.xA, row.top);
        desc->setObjectName(QStringLiteral("lblErrDesc%1").arg(row.descIndex));
        m_errorBoxes[i] = value(row.box, row.right ? c.xF : c.xB, row.top, c.wNumber);
    }

    // The frame reaches as far as its widest row needs, at least as far as designed.
    const int rightmost = std::max(minutes->geometry().right(), c.xF + c.wNumber);
    m_extraWidth = std::max(0, rightmost + s.X(180) - m_frame->width());
}

void StatisticsPage::AddControls(Placement& placement)
{
    placement.Add(this, Anchor::Stretch);
    placement.Add(m_frame, Anchor::Stretch);
    for (QFrame* line : m_separators)
        placement.Add(line, Anchor::Stretch);
}

void StatisticsPage::Fill(const Statistics& st)
{
    auto date = [](const std::optional<DateTime>& t) {
        return t ? FormatShortDate(*t) : QString();
    };
    auto dateTime = [](const std::optional<DateTime>& t) {
        return t ? FormatDateTime(*t) : QString();
    };
    m_lblStart->setText(date(st.vFirstUp));
    m_lblEnd->setText(date(st.vLastDown));
    m_lblLongUp->setText(dateTime(st.vLongestUp));
    m_lblLongDwn->setText(dateTime(st.vLongestDown));
    m_lblLongDur->setText(QString::number(st.iLongestMinutes));
    m_lblShortUp->setText(dateTime(st.vShortestUp));
    m_lblShortDwn->setText(dateTime(st.vShortestDown));
    m_lblShortDur->setText(QString::number(st.iShortestMinutes));
    m_lblAverage->setText(OneDecimalText(st.dAverageMinutes));
    m_lblNumSes->setText(QString::number(st.iSessionCount));
    for (std::size_t i = 0; i < m_errorBoxes.size(); ++i)
        m_errorBoxes[i]->setText(QString::number(st.iErrors[i]));
}

} // namespace dialtally
