// The reader of tariff files over any text: it refuses with a line inside the text, or the
// tariff it accepts is written back to a text that reads as the same tariff, and the holidays it
// accepted build a calendar that prices a day in and beyond the years it works out.
//
// Input: the text of a tariff file.

#include "analysis/costs.h"
#include "analysis/tariffs.h"
#include "fuzzsupport.h"

#include <QString>

using namespace dialtally;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TariffProblem problem;
    const auto costs = ReadTariffText(text, &problem);
    if (!costs) {
        FUZZ_CHECK(!problem.reason.isEmpty());
        FUZZ_CHECK(problem.line >= 0 && problem.line <= text.count(QLatin1Char('\n')) + 1);
        return 0;
    }
    TariffProblem again;
    FUZZ_CHECK(ReadTariffText(TariffText(*costs), &again) == costs);

    // A session of a day over the holidays, in the years the calendar works out and beyond.
    const HolidayCalendar calendar(costs->vHolidays);
    for (const int year : {1899, 2027, 2200}) {
        const DateTime up = *MakeDateTime(year, 3, 1, 23, 30);
        // Amounts near the end of the double range may sum to anything; the run must not fail.
        volatile const double cost = CommunicationCost(86400, up, *costs, &calendar);
        (void)cost;
    }
    return 0;
}
