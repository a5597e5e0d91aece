#include "analysis/export.h"

#include "analysis/formatting.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <cmath>

namespace dialtally {
namespace {

QString CostField(const std::optional<double>& cost, const QLocale& locale)
{
    return cost ? PlainNumberText(*cost, locale) : QString();
}

QString ServiceCostField(const std::optional<double>& cost, const QLocale& locale)
{
    return cost ? QLatin1Char(' ') + PlainNumberText(*cost, locale) + QLatin1Char(' ') : QString();
}

// The session's line, or an empty text when it has no up or down time to write.
QString SessionLine(const SessionRecord& s, const QLocale& locale)
{
    if (!s.vUp || !s.vDown)
        return {};
    const QChar tab = QLatin1Char('\t');
    return FormatShortDate(*s.vUp, locale) + tab + FormatLongTime(*s.vUp, locale) + tab +
           FormatShortDate(*s.vDown, locale) + tab + FormatLongTime(*s.vDown, locale) + tab +
           QString::number(s.lDur) + tab + QString::number(s.lTx) + tab + QString::number(s.lRx) +
           tab + CostField(s.vCommCost, locale) + tab + ServiceCostField(s.vServCost, locale) +
           QStringLiteral("\r\n");
}

QString MissingTimeReason(const SessionList& sessions, SessionIndex index)
{
    const SessionRecord& s = sessions[static_cast<std::size_t>(index)];
    if (sessions.size() == 1 && !s.vUp && !s.vDown)
        return QStringLiteral("the log holds no session");
    return QStringLiteral("the session with index %1 has no %2 time")
        .arg(index)
        .arg(s.vUp ? QStringLiteral("disconnect") : QStringLiteral("connect"));
}

class ExportFile {
public:
    explicit ExportFile(const QString& path) : m_file(path), m_encoder(QStringConverter::System) {}

    bool Open() { return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate); }

    // Lines are gathered and written a block at a time.
    bool Add(const QString& line)
    {
        m_block += m_encoder.encode(line);
        return m_block.size() < (1 << 20) || Flush();
    }

    bool Flush()
    {
        const bool ok = m_file.write(m_block) == m_block.size();
        m_block.clear();
        return ok;
    }

    bool Close()
    {
        const bool ok = Flush() && m_file.flush();
        m_file.close();
        return ok;
    }

    QString Failure() const
    {
        return QStringLiteral("Cannot write \"%1\": %2")
            .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
    }
    QString Named(const QString& reason) const
    {
        return QStringLiteral("Cannot write \"%1\": %2")
            .arg(QDir::toNativeSeparators(m_file.fileName()), reason);
    }

private:
    QFile m_file;
    QStringEncoder m_encoder;
    QByteArray m_block;
};

} // namespace

QStringList ExportHeaders()
{
    return {QStringLiteral("Up date"),
            QStringLiteral("Up time"),
            QStringLiteral("Down date"),
            QStringLiteral("Down time"),
            QStringLiteral("Duration [s]"),
            QStringLiteral("Transmitted data [byte]"),
            QStringLiteral("Received data [byte]"),
            QStringLiteral("Communication costs"),
            QStringLiteral("Service costs")};
}

QString PlainNumberText(double value, const QLocale& locale)
{
    // Sums of prices carry noise in their last binary digits (0.30000000000000004); fifteen
    // significant digits are what a double holds reliably, and what a spreadsheet keeps.
    const double rounded = value == 0.0 ? 0.0 : QString::number(value, 'g', 15).toDouble();
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(rounded, 'f', QLocale::FloatingPointShortest);
}

bool ExportText(const QString& path, const SessionList& sessions, SessionIndex from,
                SessionIndex to, QString* error, const QLocale& locale)
{
    ExportFile file(path);
    const auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (!file.Open())
        return fail(file.Failure());
    if (!file.Add(ExportHeaders().join(QLatin1Char('\t')) + QStringLiteral("\r\n")))
        return fail(file.Failure());
    for (SessionIndex i = from; i <= to; ++i) {
        const QString line = SessionLine(sessions[static_cast<std::size_t>(i)], locale);
        if (line.isEmpty()) {
            // What was written so far stays, as the lines before the faulty session went out.
            const QString reason = file.Named(MissingTimeReason(sessions, i));
            file.Close();
            return fail(reason);
        }
        if (!file.Add(line))
            return fail(file.Failure());
    }
    if (!file.Close())
        return fail(file.Failure());
    return true;
}

SessionRange ShownRange(const SessionList& sessions, const Statistics& statistics)
{
    if (statistics.fSelection)
        return {statistics.iFirst, statistics.iLast};
    return {0, static_cast<SessionIndex>(sessions.size()) - 1};
}

} // namespace dialtally
