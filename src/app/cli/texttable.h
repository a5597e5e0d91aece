#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace dialtally {

// Plain text tables of the command line: columns padded to a width, numbers to the right, texts
// to the left.
struct Column {
    QString header;
    int width = 0;
    bool right = true;
};

// One line of the table, ended by a line feed; an empty last column leaves no blanks at its end.
QString Row(const std::vector<Column>& columns, const QStringList& cells);
// Every column at least as wide as its header.
void FitHeaders(std::vector<Column>& columns);
QStringList Headers(const std::vector<Column>& columns);

} // namespace dialtally
