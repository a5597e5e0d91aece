#include "ui/sessionpage.h"

#include "analysis/formatting.h"
#include "analysis/summarytexts.h"
#include "ui/pagecontrols.h"
#include "ui/sessiontablemodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>

namespace dialtally {
namespace {

constexpr int kSumTop = 4560;
constexpr int kSumHeight = 255;

// The widest sums a box must show without clipping: decades of minutes, a terabyte, a five-digit
// amount of money, in the user's locale.
QString WidestSum(int box)
{
    switch (box) {
    case 0:
        return MinutesText(9999999);
    case 1:
    case 2:
        return FormatBytes(999999900000);
    default:
        return FormatCurrency(99999.99);
    }
}

} // namespace

SessionPage::SessionPage(const TwipsScale& scale, QWidget* parent) : QWidget(parent), m_scale(scale)
{
    setObjectName(QStringLiteral("picContain0"));
    MakeLightGrey(this);
    const TwipsScale& s = m_scale;

    m_model = new SessionTableModel(this);
    m_grdTime = new QTableView(this);
    m_grdTime->setObjectName(QStringLiteral("grdTime"));
    m_grdTime->setModel(m_model);
    m_grdTime->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grdTime->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grdTime->setGeometry(s.Rect(60, 60, 7635, 4335));
    SetUpGrid(m_grdTime, s, {2000, 1000, 1200, 1200, 1000, 1000}, 2);

    m_line1 = new QFrame(this);
    m_line1->setObjectName(QStringLiteral("Line1"));
    m_line1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    m_line1->setGeometry(s.X(60), s.Y(4500) - 1, s.X(7620), 2);

    QLabel* lblSpan = MakeLabel(this, QStringLiteral("Selection Sum:"), "lblSpan");
    QFont bold = lblSpan->font();
    bold.setBold(true);
    lblSpan->setFont(bold);
    PlaceWidget(lblSpan, s, 120, kSumTop, 1875, kSumHeight);
    const char* const names[] = {"lblSumDur1", "lblSumTrns", "lblSumRec", "lblSumComCosts",
                                 "lblSumServCosts"};
    for (std::size_t i = 0; i < m_sumBoxes.size(); ++i)
        m_sumBoxes[i] = MakeValueBox(this, names[i]);

    SetUpColumns();
    m_grdTime->installEventFilter(this);
    m_grdTime->viewport()->installEventFilter(this);
    connect(m_grdTime->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SessionPage::OnSelectionChanged);
    // A model reset replaces the selection model's contents but not the object.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        connect(m_grdTime->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &SessionPage::OnSelectionChanged, Qt::UniqueConnection);
    });
    Relayout();
}

// The columns under which a sum stands are as wide as the widest sum; the page needs the room
// that these columns, the frame and the scroll bar take beyond the table's design.
void SessionPage::SetUpColumns()
{
    QHeaderView* header = m_grdTime->horizontalHeader();
    const QFontMetrics metrics(m_sumBoxes[0]->font());
    const int padding = 2 * m_sumBoxes[0]->frameWidth() + 8;
    for (std::size_t box = 0; box < m_sumBoxes.size(); ++box) {
        const int column = static_cast<int>(box) + 1;
        const int needed = metrics.horizontalAdvance(WidestSum(static_cast<int>(box))) + padding;
        if (header->sectionSize(column) < needed)
            header->resizeSection(column, needed);
    }
    int columns = 0;
    for (int column = 0; column < header->count(); ++column)
        columns += header->sectionSize(column);
    const int scrollBar =
        m_grdTime->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grdTime);
    const int needed = columns + 2 * m_grdTime->frameWidth() + scrollBar;
    m_extraWidth = std::max(0, needed - m_grdTime->width());
}

// The starting times take whatever width the other columns leave, room for the vertical scroll
// bar kept, so that the table never needs a horizontal one.
void SessionPage::FitColumns()
{
    QHeaderView* header = m_grdTime->horizontalHeader();
    const int scrollBar =
        m_grdTime->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grdTime);
    int others = 0;
    for (int column = 1; column < header->count(); ++column)
        others += header->sectionSize(column);
    const int room = m_grdTime->width() - 2 * m_grdTime->frameWidth() - scrollBar - others;
    if (room > header->sectionSize(0))
        header->resizeSection(0, room);
}

// Each sum stands under the column it sums.
void SessionPage::PlaceSumBoxes()
{
    const QHeaderView* header = m_grdTime->horizontalHeader();
    const int left = m_grdTime->x() + m_grdTime->frameWidth();
    for (std::size_t box = 0; box < m_sumBoxes.size(); ++box) {
        const int column = static_cast<int>(box) + 1;
        QLabel* label = m_sumBoxes[box];
        const int height = std::max(m_scale.Y(kSumHeight), label->fontMetrics().height() + 2);
        const int top = m_scale.Y(kSumTop) + (m_scale.Y(kSumHeight) - height) / 2;
        label->setGeometry(left + header->sectionPosition(column) + 1, top,
                           header->sectionSize(column) - 2, height);
    }
}

void SessionPage::Relayout()
{
    FitColumns();
    PlaceSumBoxes();
}

void SessionPage::AddControls(Placement& placement)
{
    placement.Add(this, Anchor::Stretch);
    placement.Add(m_grdTime, Anchor::Stretch);
    placement.Add(m_line1, Anchor::Stretch);
}

void SessionPage::Fill(const SessionList& sessions, SessionIndex first, SessionIndex last)
{
    m_touched = false;
    m_model->Show(sessions, first, last);
    if (m_model->rowCount() > 0)
        m_grdTime->setCurrentIndex(m_model->index(0, 0));
}

void SessionPage::ShowEmpty()
{
    m_touched = false;
    m_model->ShowEmpty();
    m_grdTime->setCurrentIndex(m_model->index(0, 0));
}

void SessionPage::ShowSum(const RangeSummary& sum)
{
    const QString texts[] = {sum.duration, sum.transmitted, sum.received, sum.communicationCosts,
                             sum.serviceCosts};
    for (std::size_t box = 0; box < m_sumBoxes.size(); ++box)
        m_sumBoxes[box]->setText(texts[box]);
}

void SessionPage::ReportChosenRows()
{
    // The selection as ranges: a million selected rows are one range, not a million indexes.
    int first = m_grdTime->currentIndex().row();
    int last = first;
    const QItemSelection selection = m_grdTime->selectionModel()->selection();
    if (!selection.isEmpty()) {
        first = selection.front().top();
        last = selection.front().bottom();
        for (const QItemSelectionRange& range : selection) {
            first = std::min(first, range.top());
            last = std::max(last, range.bottom());
        }
    }
    emit RowsChosen(first, last);
}

void SessionPage::OnSelectionChanged()
{
    if (m_touched)
        ReportChosenRows();
    m_touched = false;
}

bool SessionPage::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_touched = true;
        break;
    case QEvent::MouseMove:
        // A drag selects row after row: every step of it is the user's choice.
        if (static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton)
            m_touched = true;
        break;
    case QEvent::Resize:
        if (watched == m_grdTime)
            Relayout();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dialtally
