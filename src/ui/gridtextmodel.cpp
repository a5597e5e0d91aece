#include "ui/gridtextmodel.h"

namespace dialtally {

GridTextModel::GridTextModel(QStringList headers, std::vector<Qt::Alignment> alignments,
                             QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)),
      m_alignments(std::move(alignments))
{
}

void GridTextModel::SetRows(std::vector<QStringList> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

QString GridTextModel::Text(int row, int column) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return {};
    return m_rows[static_cast<std::size_t>(row)].value(column);
}

int GridTextModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int GridTextModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant GridTextModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole) {
        const auto column = static_cast<std::size_t>(index.column());
        const Qt::Alignment horizontal =
            column < m_alignments.size() ? m_alignments[column] : Qt::AlignLeft;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    if (role == Qt::DisplayRole)
        return Text(index.row(), index.column());
    return {};
}

QVariant GridTextModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role == Qt::DisplayRole)
        return m_headers[section];
    return {};
}

} // namespace dialtally
