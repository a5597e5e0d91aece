#include "ui/sessiontablemodel.h"

#include "analysis/formatting.h"

#include <algorithm>
#include <limits>

namespace dialtally {

SessionTableModel::SessionTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SessionTableModel::Show(const SessionList& sessions, std::int64_t first, std::int64_t last)
{
    beginResetModel();
    // A range that holds no session (a period without sessions) shows no rows at all.
    m_sessions = &sessions;
    m_first = 0;
    m_count = 0;
    const auto size = static_cast<std::int64_t>(sessions.size());
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, size - 1);
    if (first <= last) {
        m_first = static_cast<std::size_t>(first);
        m_count = static_cast<std::size_t>(last - first + 1);
    }
    endResetModel();
}

void SessionTableModel::ShowEmpty()
{
    beginResetModel();
    m_sessions = nullptr;
    m_first = 0;
    m_count = 0;
    endResetModel();
}

std::optional<std::size_t> SessionTableModel::SessionIndexOfRow(int row) const
{
    if (!m_sessions || row < 0 || static_cast<std::size_t>(row) >= m_count)
        return std::nullopt;
    return m_first + static_cast<std::size_t>(row);
}

const SessionRecord* SessionTableModel::SessionOfRow(int row) const
{
    const auto index = SessionIndexOfRow(row);
    return index ? &(*m_sessions)[*index] : nullptr;
}

void SessionTableModel::RefreshSession(std::size_t index)
{
    if (!m_sessions || index < m_first || index - m_first >= m_count)
        return;
    const int row = static_cast<int>(index - m_first);
    emit dataChanged(this->index(row, 0), this->index(row, kColumnCount - 1));
}

bool SessionTableModel::ExtendTo(std::int64_t first, std::int64_t last)
{
    if (!m_sessions || m_count == 0 || first != static_cast<std::int64_t>(m_first))
        return false;
    const auto size = static_cast<std::int64_t>(m_sessions->size());
    last = std::min(last, size - 1);
    const std::int64_t count = last - first + 1;
    if (count < static_cast<std::int64_t>(m_count))
        return false;
    if (count > static_cast<std::int64_t>(m_count)) {
        beginInsertRows({}, static_cast<int>(m_count), static_cast<int>(count - 1));
        m_count = static_cast<std::size_t>(count);
        endInsertRows();
    }
    return true;
}

int SessionTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    if (!m_sessions)
        return kEmptyRowCount;
    // A view counts rows in int; a longer list than that cannot be shown at once anyway.
    return static_cast<int>(std::min<std::size_t>(m_count, std::numeric_limits<int>::max()));
}

int SessionTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant SessionTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= kColumnCount)
        return {};
    const auto column = static_cast<Column>(index.column());
    if (role == Qt::TextAlignmentRole) {
        const Qt::Alignment horizontal =
            column == Column::StartingTime ? Qt::AlignLeft : Qt::AlignHCenter;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return {};
    const SessionRecord* session = SessionOfRow(index.row());
    return session ? CellText(*session, column) : QString();
}

QVariant SessionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    if (role != Qt::DisplayRole)
        return {};
    static const char* const kHeaders[kColumnCount] = {"Starting Time",       "Session Length",
                                                       "Transmitted [bytes]", "Received [bytes]",
                                                       "Tele Com. Costs",     "Service Costs"};
    return QString::fromLatin1(kHeaders[section]);
}

QString SessionTableModel::CellText(const SessionRecord& session, Column column)
{
    switch (column) {
    case Column::StartingTime:
        return session.vUp ? FormatDateTime(*session.vUp) : QString();
    case Column::SessionLength:
        return session.vDurText ? QString::fromStdString(*session.vDurText) : QString();
    case Column::Transmitted:
        return QString::number(session.lTx);
    case Column::Received:
        return QString::number(session.lRx);
    case Column::CommCosts:
        return session.vCommCost ? FormatCurrency(*session.vCommCost) : QString();
    case Column::ServCosts:
        return session.vServCost ? FormatCurrency(*session.vServCost) : QString();
    }
    return {};
}

} // namespace dialtally
