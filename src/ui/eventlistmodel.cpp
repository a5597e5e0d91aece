#include "ui/eventlistmodel.h"

#include "analysis/formatting.h"

#include <QDateTime>
#include <cmath>
#include <limits>

namespace dialtally {
namespace {

// Errors as the editor reports them: "Error 6 occured." for an overflow, 13 for a mismatch.
constexpr int kOverflow = 6;
constexpr int kTypeMismatch = 13;

std::optional<DateTime> FromQDateTime(const QDateTime& t)
{
    if (!t.isValid())
        return std::nullopt;
    return MakeDateTime(t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                        t.time().minute(), t.time().second());
}

QString WithoutSeconds(QString format)
{
    return format.replace(QStringLiteral(":ss"), QString())
        .replace(QStringLiteral(".ss"), QString());
}

// A whole number of the range [low, high] from a number as typed; rounded to the nearest, halves
// to the even neighbour.
template <typename Integer> std::optional<Integer> WholeNumber(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= double(std::numeric_limits<Integer>::min()) &&
          rounded <= double(std::numeric_limits<Integer>::max())))
        return std::nullopt;
    return static_cast<Integer>(rounded);
}

} // namespace

std::optional<DateTime> ParseEventTime(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.simplified();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QString date = ShortDateFormat(locale);
    const QString time = LongTimeFormat(locale);
    const QStringList formats = {
        date + QLatin1Char(' ') + time, date + QLatin1Char(' ') + WithoutSeconds(time),
        QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
        QStringLiteral("yyyy-MM-ddTHH:mm:ss")};
    for (const QString& format : formats) {
        const QDateTime parsed = locale.toDateTime(trimmed, format);
        if (parsed.isValid())
            return FromQDateTime(parsed);
    }
    // A day alone is midnight of that day.
    return ParseUserDate(trimmed, locale);
}

std::optional<double> ParseNumber(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    double value = locale.toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

EventListModel::EventListModel(QObject* parent, const QLocale& locale)
    : QAbstractTableModel(parent), m_locale(locale)
{
}

void EventListModel::SetEvents(const EventList& events)
{
    beginResetModel();
    m_typed.clear();
    m_rows.clear();
    m_rows.reserve(events.size());
    for (const LogEvent& event : events)
        m_rows.push_back(Row{event, -1});
    endResetModel();
}

void EventListModel::InsertTyped(int row, const QStringList& texts)
{
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row);
    m_typed.push_back(texts);
    m_rows.insert(m_rows.begin() + row,
                  Row{LogEvent{}, static_cast<std::int32_t>(m_typed.size() - 1)});
    endInsertRows();
}

void EventListModel::RemoveRowRange(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first > last)
        return;
    beginRemoveRows({}, first, last);
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
    endRemoveRows();
}

QString EventListModel::CellText(const Row& row, int column) const
{
    if (row.typed >= 0)
        return m_typed[static_cast<std::size_t>(row.typed)].value(column);
    switch (static_cast<Column>(column)) {
    case Column::Time:
        // A record whose time is no date shows the day count it holds.
        if (const std::optional<DateTime> time = EventTime(row.event))
            return FormatDateTime(*time, m_locale);
        return QString::number(row.event.dtTime, 'g', 17);
    case Column::Message:
        return QString::number(row.event.iCode);
    case Column::Data:
        return QString::number(row.event.lValue);
    }
    return {};
}

QStringList EventListModel::RowTexts(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    return {CellText(r, 0), CellText(r, 1), CellText(r, 2)};
}

std::optional<EventList> EventListModel::ToEvents(ConversionError* error) const
{
    EventList events;
    events.reserve(m_rows.size());
    const auto fail = [&](int row, int number, const QString& reason) -> std::optional<EventList> {
        if (error)
            *error = ConversionError{row, number, reason};
        return std::nullopt;
    };
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (row.typed < 0) {
            events.push_back(row.event);
            continue;
        }
        const int number = static_cast<int>(i);
        const QStringList& texts = m_typed[static_cast<std::size_t>(row.typed)];
        const std::optional<DateTime> time = ParseEventTime(texts.value(0), m_locale);
        if (!time)
            return fail(number, kTypeMismatch,
                        QStringLiteral("\"%1\" is no date and time").arg(texts.value(0)));
        const std::optional<double> code = ParseNumber(texts.value(1), m_locale);
        const std::optional<double> value = ParseNumber(texts.value(2), m_locale);
        if (!code || !value)
            return fail(number, kTypeMismatch,
                        QStringLiteral("\"%1\" is no number").arg(texts.value(code ? 2 : 1)));
        const auto code16 = WholeNumber<std::int16_t>(*code);
        if (!code16)
            return fail(number, kOverflow,
                        QStringLiteral("the message %1 lies outside -32768..32767")
                            .arg(texts.value(1).trimmed()));
        const auto value32 = WholeNumber<std::int32_t>(*value);
        if (!value32)
            return fail(number, kOverflow,
                        QStringLiteral("the data %1 lies outside -2147483648..2147483647")
                            .arg(texts.value(2).trimmed()));
        events.push_back(MakeEvent(*time, *code16, *value32));
    }
    return events;
}

int EventListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int EventListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant EventListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return CellText(m_rows[static_cast<std::size_t>(index.row())], index.column());
}

} // namespace dialtally
