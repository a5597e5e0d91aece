#include "ui/pagecontrols.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace dialtally {

void MakeLightGrey(QWidget* widget)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, kLightGrey);
    widget->setPalette(palette);
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, const char* name)
{
    auto* label = new QLabel(caption, parent);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* MakeValueBox(QWidget* parent, const char* name)
{
    auto* box = new QLabel(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setAlignment(Qt::AlignCenter);
    box->setAutoFillBackground(true);
    box->setBackgroundRole(QPalette::Base);
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    return box;
}

void SetUpGrid(QTableView* grid, const TwipsScale& scale, const std::vector<int>& widthsTwips,
               int headerLines)
{
    grid->verticalHeader()->hide();
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideNone);
    grid->setCornerButtonEnabled(false);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QHeaderView* rows = grid->verticalHeader();
    // Every row has the same height, so that a view of a million rows needs no measuring.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    const int rowHeight = grid->fontMetrics().height() + 2;
    rows->setDefaultSectionSize(rowHeight);
    rows->setMinimumSectionSize(rowHeight);
    QHeaderView* header = grid->horizontalHeader();
    header->setHighlightSections(false);
    header->setFixedHeight(rowHeight * headerLines + 2);
    header->setMinimumSectionSize(1);
    header->setStretchLastSection(false);
    const QAbstractItemModel* model = grid->model();
    for (int column = 0; column < static_cast<int>(widthsTwips.size()); ++column) {
        int width = scale.X(widthsTwips[static_cast<std::size_t>(column)]);
        // A header that does not fit on its lines widens its column.
        const QString caption = model->headerData(column, Qt::Horizontal).toString();
        int needed = 0;
        if (headerLines > 1) {
            for (const QString& word : caption.split(u' '))
                needed = std::max(needed, header->fontMetrics().horizontalAdvance(word));
        } else {
            needed = header->fontMetrics().horizontalAdvance(caption);
        }
        header->resizeSection(column, std::max(width, needed + 8));
    }
}

void FillWithFirstColumn(QTableView* grid)
{
    QHeaderView* header = grid->horizontalHeader();
    const int scrollBar = grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
    int others = 0;
    for (int column = 1; column < header->count(); ++column)
        others += header->sectionSize(column);
    const int room = grid->width() - 2 * grid->frameWidth() - scrollBar - others;
    if (room > header->sectionSize(0))
        header->resizeSection(0, room);
}

std::pair<int, int> SelectedRows(const QTableView* grid)
{
    int first = grid->currentIndex().row();
    int last = first;
    // The selection as ranges: a million selected rows are one range, not a million indexes.
    const QItemSelection selection = grid->selectionModel()->selection();
    if (!selection.isEmpty()) {
        first = selection.front().top();
        last = selection.front().bottom();
        for (const QItemSelectionRange& range : selection) {
            first = std::min(first, range.top());
            last = std::max(last, range.bottom());
        }
    }
    return {first, last};
}

} // namespace dialtally
