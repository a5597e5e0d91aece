#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace dialtally {

// A small grid of texts under one fixed header row, replaced as a whole (the monthly summary).
// Rows are counted from 0 under the header.
class GridTextModel : public QAbstractTableModel {
    Q_OBJECT
public:
    GridTextModel(QStringList headers, std::vector<Qt::Alignment> alignments,
                  QObject* parent = nullptr);

    // Every row holds one text per column; missing texts are empty.
    void SetRows(std::vector<QStringList> rows);
    const std::vector<QStringList>& Rows() const { return m_rows; }
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    std::vector<Qt::Alignment> m_alignments;
    std::vector<QStringList> m_rows;
};

} // namespace dialtally
