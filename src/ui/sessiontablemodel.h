#pragma once

#include "log/sessionlog.h"

#include <QAbstractTableModel>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace dialtally {

// The session table: one row per session of a run first..last of the session list, formatted
// when a cell is shown, so that a log of any length appears in one model reset. Without sessions
// the table shows a block of empty rows under its headers.
class SessionTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Column { StartingTime, SessionLength, Transmitted, Received, CommCosts, ServCosts };
    static constexpr int kColumnCount = 6;
    static constexpr int kEmptyRowCount = 17;

    explicit SessionTableModel(QObject* parent = nullptr);

    // Shows sessions[first..last]; no rows when first > last. The list must outlive the model or
    // the next Show/ShowEmpty.
    void Show(const SessionList& sessions, std::int64_t first, std::int64_t last);
    void ShowEmpty();

    // The index into the session list of the session that row shows (rows counted from 0 under
    // the header); empty for the rows of an empty table and for rows outside it. Deleting the
    // selected sessions relies on this mapping.
    std::optional<std::size_t> SessionIndexOfRow(int row) const;
    const SessionRecord* SessionOfRow(int row) const;
    // The record of that session changed in place (the open session's running duration): its
    // row, when shown, is drawn again.
    void RefreshSession(std::size_t index);
    // The shown run sessions[first..] now ends at last: rows for the sessions after the old end
    // are inserted, so that the view keeps its selection and scroll position. False when the
    // model does not show a run from first (a reset by Show is needed then).
    bool ExtendTo(std::int64_t first, std::int64_t last);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    static QString CellText(const SessionRecord& session, Column column);

private:
    const SessionList* m_sessions = nullptr;
    std::size_t m_first = 0;
    std::size_t m_count = 0;
};

} // namespace dialtally
