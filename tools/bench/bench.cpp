#include "bench/bench.h"

#include <QProcess>
#include <chrono>
#include <cstdio>

namespace dialtally::bench {

std::optional<std::int64_t> ParseSize(const QString& text)
{
    QString digits = text.trimmed();
    std::int64_t unit = 1;
    if (digits.endsWith(QLatin1Char('K'), Qt::CaseInsensitive))
        unit = std::int64_t{1} << 10;
    else if (digits.endsWith(QLatin1Char('M'), Qt::CaseInsensitive))
        unit = std::int64_t{1} << 20;
    else if (digits.endsWith(QLatin1Char('G'), Qt::CaseInsensitive))
        unit = std::int64_t{1} << 30;
    if (unit != 1)
        digits.chop(1);
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    if (!ok || value <= 0)
        return std::nullopt;
    return value * unit;
}

std::int64_t NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double SecondsSince(std::int64_t startNanoseconds)
{
    return double(NowNanoseconds() - startNanoseconds) / 1e9;
}

std::optional<WcFigures> RunWcLines(const QString& path)
{
    QProcess wc;
    const std::int64_t start = NowNanoseconds();
    wc.start(QStringLiteral("wc"), {QStringLiteral("-l"), path});
    if (!wc.waitForFinished(-1) || wc.exitCode() != 0)
        return std::nullopt;
    WcFigures figures;
    figures.seconds = SecondsSince(start);
    figures.lines = wc.readAllStandardOutput().trimmed().split(' ').value(0).toLongLong();
    return figures;
}

void Print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "dialtally-bench: %s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace dialtally::bench
