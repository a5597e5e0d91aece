#include "app/cli/texttable.h"

namespace dialtally {

QString Row(const std::vector<Column>& columns, const QStringList& cells)
{
    QString line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& column = columns[i];
        const QString& cell = cells.at(static_cast<qsizetype>(i));
        if (i > 0)
            line += QStringLiteral("  ");
        line += column.right ? cell.rightJustified(column.width)
                             : cell.leftJustified(i + 1 < columns.size() ? column.width : 0);
    }
    // An empty last column leaves no blanks at the end of the line.
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line + QLatin1Char('\n');
}

void FitHeaders(std::vector<Column>& columns)
{
    for (Column& column : columns)
        column.width = std::max(column.width, static_cast<int>(column.header.size()));
}

QStringList Headers(const std::vector<Column>& columns)
{
    QStringList headers;
    for (const Column& column : columns)
        headers << column.header;
    return headers;
}

} // namespace dialtally
