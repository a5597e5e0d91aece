#include "report/printlog.h"

#include "analysis/analysis.h"
#include "analysis/formatting.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <array>

namespace dialtally {
namespace {

const QString kReportFont = QStringLiteral("Arial");
constexpr double kBreakAt = 0.9;  // of the page height
constexpr double kHeaderGap = 25; // twips around the header rule

double ColumnX(const ReportPrinter& printer, int column)
{
    return kReportColumns[column] * printer.ScaleWidth();
}

// Texts at the columns first.., the last one ending the line.
void PrintRow(ReportPrinter& printer, int firstColumn, const QStringList& texts)
{
    for (int i = 0; i < texts.size(); ++i) {
        printer.CurrentX = ColumnX(printer, firstColumn + i);
        if (i + 1 < texts.size())
            printer.PrintOn(texts[i]);
        else
            printer.Print(texts[i]);
    }
}

QString TimeText(const std::optional<DateTime>& time, const QLocale& locale)
{
    return time ? FormatDateTime(*time, locale) : QString();
}

QString CostText(const std::optional<double>& cost, const QLocale& locale)
{
    return cost ? FormatCurrency(*cost, locale) : QString();
}

QStringList SessionTexts(const SessionRecord& s, const QLocale& locale)
{
    return {TimeText(s.vUp, locale),
            TimeText(s.vDown, locale),
            QString::fromStdString(s.vDurText.value_or(std::string())),
            QString::number(s.lTx),
            QString::number(s.lRx),
            CostText(s.vCommCost, locale),
            CostText(s.vServCost, locale)};
}

void SetReportFont(ReportPrinter& printer)
{
    printer.SetFontName(kReportFont);
    printer.SetFontSize(10);
}

void PrintLineOfRule(ReportPrinter& printer)
{
    printer.Line(ColumnX(printer, 0), printer.CurrentY, printer.ScaleWidth(), printer.CurrentY);
}

void PrintTitle(ReportPrinter& printer)
{
    PrintPageNumber(printer);
    printer.Print();
    printer.Print();
    printer.SetFontName(kReportFont);
    printer.SetFontBold(true);
    printer.SetFontSize(18);
    const QString title = QStringLiteral("Internet Usage Log");
    printer.CurrentX = (printer.ScaleWidth() - printer.TextWidth(title)) / 2;
    printer.Print(title);
    printer.SetFontSize(10);
    printer.SetFontBold(false);
    printer.Print();
    printer.SetDrawWidth(2);
    PrintLineOfRule(printer);
}

void PrintTotals(ReportPrinter& printer, const SessionList& sessions, SessionIndex first,
                 SessionIndex last, const QLocale& locale)
{
    // A run without sessions sums to nothing and has no period.
    const RangeSummary sum =
        first <= last ? SumRange(sessions, first, last, locale) : SumRange(sessions, 0, -1, locale);
    PrintLineOfRule(printer);
    printer.Print();
    // The period runs into the duration in most fonts and locales; its end then goes on the next
    // line, under its start.
    const QString label = QStringLiteral("Sum: ");
    const QString separator = QStringLiteral("  -  ");
    QString head = label + sum.period;
    QString tail;
    const double room =
        ColumnX(printer, 2) - ColumnX(printer, 0) - printer.TextWidth(QStringLiteral(" "));
    const qsizetype cut = sum.period.indexOf(separator);
    if (printer.TextWidth(head) > room && cut >= 0) {
        head = label + sum.period.left(cut) + QStringLiteral("  -");
        tail = sum.period.mid(cut + separator.size());
    }
    printer.CurrentX = ColumnX(printer, 0);
    printer.PrintOn(head);
    PrintRow(
        printer, 2,
        {sum.duration, sum.transmitted, sum.received, sum.communicationCosts, sum.serviceCosts});
    if (!tail.isEmpty()) {
        printer.CurrentX = ColumnX(printer, 0) + printer.TextWidth(label);
        printer.Print(tail);
    }
}

// Setting the bar redraws it; a long log moves it about two hundred times.
class PrintProgress {
public:
    PrintProgress(ProgressBar* bar, SessionIndex first, SessionIndex last)
        : m_bar(bar), m_step(std::max<SessionIndex>(1, (last - first + 1) / 200)), m_first(first)
    {
        if (!m_bar)
            return;
        m_bar->SetText(QStringLiteral("Printing log..."));
        m_bar->SetMin(static_cast<std::int32_t>(first));
        m_bar->SetMax(static_cast<std::int32_t>(last));
    }
    void At(SessionIndex i)
    {
        if (m_bar && (i - m_first) % m_step == 0)
            m_bar->SetValue(static_cast<std::int32_t>(i));
    }
    void Done()
    {
        if (m_bar)
            m_bar->SetValue(0);
    }

private:
    ProgressBar* m_bar;
    SessionIndex m_step;
    SessionIndex m_first;
};

} // namespace

void PrintPageNumber(ReportPrinter& printer)
{
    const QString number = QString::number(printer.Page());
    printer.CurrentX = printer.ScaleWidth() / 2 - printer.TextWidth(number + QLatin1Char(' '));
    printer.Print(number);
}

void PrintColumnHeaders(ReportPrinter& printer)
{
    printer.CurrentY += kHeaderGap;
    PrintRow(printer, 3,
             {QStringLiteral("Transmitted"), QStringLiteral("Received"),
              QStringLiteral("Communic."), QStringLiteral("Service")});
    PrintRow(printer, 0,
             {QStringLiteral("Connection Up "), QStringLiteral("Connection Down"),
              QStringLiteral("Length"), QStringLiteral("Bytes"), QStringLiteral("Bytes"),
              QStringLiteral("Costs"), QStringLiteral("Costs")});
    printer.CurrentY += kHeaderGap;
    printer.SetDrawWidth(1);
    PrintLineOfRule(printer);
    printer.CurrentY += kHeaderGap;
}

bool PrintLog(ReportPrinter& printer, const SessionList& sessions, SessionIndex first,
              SessionIndex last, ProgressBar* bar, const QLocale& locale)
{
    PrintProgress progress(bar, first, last);
    PrintTitle(printer);
    PrintColumnHeaders(printer);
    for (SessionIndex i = first; i <= last; ++i) {
        progress.At(i);
        SetReportFont(printer);
        PrintRow(printer, 0, SessionTexts(sessions[static_cast<std::size_t>(i)], locale));
        if (printer.CurrentY > kBreakAt * printer.ScaleHeight()) {
            printer.NewPage();
            SetReportFont(printer);
            PrintPageNumber(printer);
            printer.Print();
            printer.Print();
        }
    }
    PrintTotals(printer, sessions, first, last, locale);
    const bool ended = printer.EndDoc();
    progress.Done();
    return ended;
}

bool PrintLogToPdf(const QString& path, const SessionList& sessions, SessionIndex first,
                   SessionIndex last, ProgressBar* bar, QString* error, const QLocale& locale)
{
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\": %2")
                         .arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    // The writer would report a folder that is not there only as a painter that does not start.
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        return fail(QStringLiteral("the folder does not exist"));
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setTitle(QStringLiteral("Internet Usage Log"));
    writer.setCreator(QStringLiteral("Dialtally"));
    const QPageSize size(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                 : QPageSize::A4);
    writer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                     QPageLayout::Millimeter));
    PainterPageSurface surface(&writer);
    if (!surface.Begin())
        return fail(QStringLiteral("the file cannot be created"));
    ReportPrinter printer(surface);
    if (!PrintLog(printer, sessions, first, last, bar, locale))
        return fail(QStringLiteral("the document could not be finished"));
    return true;
}

} // namespace dialtally
