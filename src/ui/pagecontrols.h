#pragma once

#include "ui/twips.h"

#include <QColor>
#include <utility>
#include <vector>

class QLabel;
class QTableView;
class QWidget;

namespace dialtally {

// What the pages of the main window have in common.

inline const QColor kLightGrey(192, 192, 192);
inline const QColor kDarkGrey(128, 128, 128);

// A page or canvas of the window: light grey, painted by itself.
void MakeLightGrey(QWidget* widget);

QLabel* MakeLabel(QWidget* parent, const QString& caption, const char* name = nullptr);

// A value box: single border, window background colour, centred bold text.
QLabel* MakeValueBox(QWidget* parent, const char* name);

// A read-only grid without row headers whose rows all have the font's height. Its columns get
// the widths given in twips, wider where a header caption needs it; headerLines is the number of
// lines a caption may take.
void SetUpGrid(QTableView* grid, const TwipsScale& scale, const std::vector<int>& widthsTwips,
               int headerLines);

// Gives the first column whatever width the other columns leave, room for the vertical scroll bar
// kept, so that the grid never needs a horizontal one. It never narrows the column.
void FillWithFirstColumn(QTableView* grid);

// The first and the last row of the grid's selection; the current row when nothing is selected.
std::pair<int, int> SelectedRows(const QTableView* grid);

} // namespace dialtally
