#include "analysis/tariffinput.h"

#include <QTest>

using namespace dialtally;

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<std::int16_t>)
Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(dialtally::TimeUnit)
Q_DECLARE_METATYPE(dialtally::FlatUnit)

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kFinnish(QLocale::Finnish, QLocale::Finland);

QLocale LocaleNamed(const QString& name)
{
    if (name == QLatin1String("fi"))
        return kFinnish;
    return name == QLatin1String("de") ? kGerman : kEnglish;
}

} // namespace

class TestTariffInput : public QObject {
    Q_OBJECT

private slots:
    void money_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        const std::optional<double> invalid;
        // clang-format off
        QTest::newRow("plain")                      << "en" << "0.05"      << std::optional(0.05);
        QTest::newRow("blanks around")              << "en" << " 2 "       << std::optional(2.0);
        QTest::newRow("exponent")                   << "en" << "1e3"       << std::optional(1000.0);
        QTest::newRow("negative")                   << "en" << "-0.5"      << std::optional(-0.5);
        QTest::newRow("fifth decimal rounds")       << "en" << "1.23456"   << std::optional(1.2346);
        QTest::newRow("half to even, down")         << "en" << "0.00005"   << std::optional(0.0);
        QTest::newRow("half to even, up")           << "en" << "0.00015"   << std::optional(0.0002);
        QTest::newRow("negative half to even")      << "en" << "-1.00005"  << std::optional(-1.0);
        QTest::newRow("decimal comma")              << "de" << "1,5"       << std::optional(1.5);
        QTest::newRow("point under a comma locale") << "de" << "0.05"      << std::optional(0.05);
        QTest::newRow("grouped under a comma locale") << "de" << "1.500,5" << invalid;
        QTest::newRow("hyphen for the minus sign")  << "fi" << "-0,5"      << std::optional(-0.5);
        QTest::newRow("the locale's minus sign")    << "fi" << QString::fromUtf8("\u22120,5") << std::optional(-0.5);
        QTest::newRow("comma under a point locale") << "en" << "1,5"       << invalid;
        QTest::newRow("thousands separator")        << "en" << "1,500"     << invalid;
        QTest::newRow("empty")                      << "en" << ""          << invalid;
        QTest::newRow("letters")                    << "en" << "abc"       << invalid;
        QTest::newRow("currency symbol")            << "en" << "$1"        << invalid;
        QTest::newRow("infinity")                   << "en" << "inf"       << invalid;
        QTest::newRow("largest whole money")        << "en" << "900000000000000"
                                                    << std::optional(900000000000000.0);
        QTest::newRow("beyond the money range")     << "en" << "1e15"      << invalid;
        // clang-format on
    }
    void money()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(ReadMoneyInput(text, LocaleNamed(locale)), expected);
    }

    void whole_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<std::int16_t>>("expected");
        const std::optional<std::int16_t> invalid;
        using W = std::int16_t;
        // clang-format off
        QTest::newRow("whole")                   << "en" << "30"       << std::optional<W>(30);
        QTest::newRow("half to even, down")      << "en" << "12.5"     << std::optional<W>(12);
        QTest::newRow("half to even, up")        << "en" << "13.5"     << std::optional<W>(14);
        QTest::newRow("negative half")           << "en" << "-12.5"    << std::optional<W>(-12);
        QTest::newRow("below a half")            << "en" << "0.49"     << std::optional<W>(0);
        QTest::newRow("decimal comma")           << "de" << "12,5"     << std::optional<W>(12);
        QTest::newRow("highest")                 << "en" << "32767"    << std::optional<W>(32767);
        QTest::newRow("lowest")                  << "en" << "-32768"   << std::optional<W>(-32768);
        QTest::newRow("rounds to the lowest")    << "en" << "-32768.5" << std::optional<W>(-32768);
        QTest::newRow("rounds beyond the range") << "en" << "32767.5"  << invalid;
        QTest::newRow("beyond the range")        << "en" << "40000"    << invalid;
        QTest::newRow("empty")                   << "en" << ""         << invalid;
        QTest::newRow("letters")                 << "en" << "ten"      << invalid;
        // clang-format on
    }
    void whole()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(std::optional<std::int16_t>, expected);
        QCOMPARE(ReadWholeInput(text, LocaleNamed(locale)), expected);
    }

    void perMinute_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("amount");
        QTest::addColumn<TimeUnit>("unit");
        QTest::addColumn<std::optional<QString>>("expected");
        // clang-format off
        QTest::newRow("3 per hour")            << "en" << 3.0    << TimeUnit::Hour   << std::optional<QString>("0.05");
        QTest::newRow("1 per hour")            << "en" << 1.0    << TimeUnit::Hour   << std::optional<QString>("0.0167");
        QTest::newRow("1 per second")          << "en" << 1.0    << TimeUnit::Second << std::optional<QString>("60.00");
        QTest::newRow("two decimals at least") << "en" << 0.5    << TimeUnit::Minute << std::optional<QString>("0.50");
        QTest::newRow("three at most")         << "en" << 0.1234 << TimeUnit::Minute << std::optional<QString>("0.123");
        QTest::newRow("half away from zero")   << "en" << 0.0125 << TimeUnit::Minute << std::optional<QString>("0.013");
        QTest::newRow("negative")              << "en" << -3.0   << TimeUnit::Hour   << std::optional<QString>("-0.05");
        QTest::newRow("decimal comma")         << "de" << 3.0    << TimeUnit::Hour   << std::optional<QString>("0,05");
        QTest::newRow("the locale's minus")    << "fi" << -3.0   << TimeUnit::Hour   << std::optional<QString>(QString::fromUtf8("\u22120,05"));
        QTest::newRow("beyond the money range") << "en" << 900000000000000.0 << TimeUnit::Second
                                                << std::optional<QString>();
        // clang-format on
    }
    void perMinute()
    {
        QFETCH(QString, locale);
        QFETCH(double, amount);
        QFETCH(TimeUnit, unit);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(PerMinuteAmount(amount, unit, LocaleNamed(locale)), expected);
    }

    void perMonth_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<FlatUnit>("unit");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("10 per year")         << 10.0   << FlatUnit::Year  << "0.833";
        QTest::newRow("1 per week")          << 1.0    << FlatUnit::Week  << "4.00";
        QTest::newRow("per month")           << 4.9    << FlatUnit::Month << "4.90";
        QTest::newRow("half away from zero") << 0.0005 << FlatUnit::Month << "0.001";
        // clang-format on
    }
    void perMonth()
    {
        QFETCH(double, amount);
        QFETCH(FlatUnit, unit);
        QFETCH(QString, expected);
        QCOMPARE(PerMonthAmount(amount, unit, kEnglish), std::optional(expected));
    }
};

QTEST_APPLESS_MAIN(TestTariffInput)
#include "test_tariffinput.moc"
