#pragma once

#include "log/sessionlog.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace dialtally {

// How the log editor reads what the user types: a date-time as the grid shows it (the locale's
// short date and time, seconds optional), ISO "YYYY-MM-DD hh:mm:ss", or a day alone (midnight);
// a number in the locale's form or with a decimal point.
std::optional<DateTime> ParseEventTime(const QString& text, const QLocale& locale = QLocale());
std::optional<double> ParseNumber(const QString& text, const QLocale& locale = QLocale());

// The log editor's grid: one row per event of the session log, in file order, three text columns
// (time, message code, data value). It is the editor's working copy. Rows read from the log keep
// their record to the byte, so that a save gives back what it did not change exactly; rows the
// user inserts keep the three texts as typed and are converted when saved. A log of millions of
// events is shown at once: the cell texts are made only for the rows on screen.
class EventListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Column { Time, Message, Data };
    static constexpr int kColumnCount = 3;

    explicit EventListModel(QObject* parent = nullptr, const QLocale& locale = QLocale());

    // Replaces every row by the events, in one reset.
    void SetEvents(const EventList& events);
    // Inserts a row of typed texts before row (at the end when row is the row count).
    void InsertTyped(int row, const QStringList& texts);
    // Removes rows first..last.
    void RemoveRowRange(int first, int last);

    QStringList RowTexts(int row) const;

    // Why a row cannot be saved: the error number of the conversion (6 a number outside the
    // range of its field, 13 a text that is no date-time or no number) and the row.
    struct ConversionError {
        int row = 0;
        int errorNumber = 0;
        QString reason;
    };
    // The events of all rows, in row order; empty with *error at the first row that does not
    // convert.
    std::optional<EventList> ToEvents(ConversionError* error = nullptr) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        LogEvent event;          // the record as read
        std::int32_t typed = -1; // or the index of its typed texts
    };
    QString CellText(const Row& row, int column) const;

    QLocale m_locale;
    std::vector<Row> m_rows;
    std::vector<QStringList> m_typed;
};

} // namespace dialtally
