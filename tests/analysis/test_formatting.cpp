#include "analysis/formatting.h"

#include <QTest>

using namespace dialtally;

class TestFormatting : public QObject {
    Q_OBJECT

private slots:
    void oneDecimalHasNoGroupSeparator();
    void formatBytes_data();
    void formatBytes();
    void currencyTextIsTheSymbolOfCurrencyFormatting_data();
    void currencyTextIsTheSymbolOfCurrencyFormatting();
    void isSameDay_data();
    void isSameDay();
    void dateAndTime_data();
    void dateAndTime();
    void parseUserDate_data();
    void parseUserDate();
};

// The average connection time is "#0.0": 1200.5 minutes must not read "1,200.5".
void TestFormatting::oneDecimalHasNoGroupSeparator()
{
    QCOMPARE(OneDecimalText(1200.04, QLocale("en_US")), QString("1200.0"));
    QCOMPARE(OneDecimalText(123456.25, QLocale("de_DE")), QString("123456,3"));
    QCOMPARE(OneDecimalText(0.0, QLocale("fi_FI")), QString("0,0"));
}

void TestFormatting::formatBytes_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("expected");

    // clang-format off
    QTest::newRow("zero")                 << "en_US" << qint64(0)          << "0 byte";
    QTest::newRow("999")                  << "en_US" << qint64(999)        << "999 byte";
    QTest::newRow("1000 is still bytes")  << "en_US" << qint64(1000)       << "1000 byte";
    QTest::newRow("1001")                 << "en_US" << qint64(1001)       << "1.0 Kb";
    QTest::newRow("a million is Kb")      << "en_US" << qint64(1000000)    << "1000.0 Kb";
    QTest::newRow("1,234,567")            << "en_US" << qint64(1234567)    << "1.2 Mb";
    QTest::newRow("half rounds up")       << "en_US" << qint64(1250000)    << "1.3 Mb";
    QTest::newRow("beyond 32 bits")       << "en_US" << qint64(5000000000) << "5000.0 Mb";
    QTest::newRow("decimal comma")        << "de_DE" << qint64(1234567)    << "1,2 Mb";
    QTest::newRow("no thousands sep")     << "de_DE" << qint64(1000000)    << "1000,0 Kb";
    // clang-format on
}

void TestFormatting::formatBytes()
{
    QFETCH(QString, locale);
    QFETCH(qint64, bytes);
    QFETCH(QString, expected);
    QCOMPARE(FormatBytes(bytes, QLocale(locale)), expected);
}

void TestFormatting::currencyTextIsTheSymbolOfCurrencyFormatting_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("amount");

    // clang-format off
    QTest::newRow("en_US") << "en_US" << "$"      << "$1,234.57";
    QTest::newRow("de_DE") << "de_DE" << "\u20ac" << "1.234,57\u00a0\u20ac";
    QTest::newRow("en_GB") << "en_GB" << "\u00a3" << "\u00a31,234.57";
    // clang-format on
}

void TestFormatting::currencyTextIsTheSymbolOfCurrencyFormatting()
{
    QFETCH(QString, locale);
    QFETCH(QString, symbol);
    QFETCH(QString, amount);
    const QLocale l(locale);
    QCOMPARE(CurrencyText(l), symbol);
    // Amounts are unrounded; only the display rounds them.
    QCOMPARE(FormatCurrency(1234.5678, l), amount);
}

void TestFormatting::isSameDay_data()
{
    QTest::addColumn<DateTime>("a");
    QTest::addColumn<DateTime>("b");
    QTest::addColumn<bool>("expected");

    // clang-format off
    QTest::newRow("ends of one day")  << *MakeDateTime(1999, 3, 1, 23, 59, 59) << *MakeDateTime(1999, 3, 1)  << true;
    QTest::newRow("month apart")      << *MakeDateTime(1999, 3, 1)             << *MakeDateTime(1999, 4, 1)  << false;
    QTest::newRow("year apart")       << *MakeDateTime(1999, 3, 1)             << *MakeDateTime(2000, 3, 1)  << false;
    QTest::newRow("across midnight")  << *MakeDateTime(1999, 3, 1, 23, 59, 59) << *MakeDateTime(1999, 3, 2)  << false;
    QTest::newRow("before the epoch") << *MakeDateTime(1899, 12, 29, 6)        << *MakeDateTime(1899, 12, 29) << true;
    // clang-format on
}

void TestFormatting::isSameDay()
{
    QFETCH(DateTime, a);
    QFETCH(DateTime, b);
    QFETCH(bool, expected);
    QCOMPARE(IsSameDay(a, b), expected);
}

void TestFormatting::dateAndTime_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("shortDate");
    QTest::addColumn<QString>("longTime");

    // 1 March 2024 14:05:09: four-digit years, seconds, and no time zone.
    // clang-format off
    QTest::newRow("en_US") << "en_US" << "3/1/2024"   << "2:05:09 PM";
    QTest::newRow("de_DE") << "de_DE" << "01.03.2024" << "14:05:09";
    QTest::newRow("fi_FI") << "fi_FI" << "1.3.2024"   << "14.05.09";
    // clang-format on
}

void TestFormatting::dateAndTime()
{
    QFETCH(QString, locale);
    QFETCH(QString, shortDate);
    QFETCH(QString, longTime);
    const QLocale l(locale);
    const DateTime t = *MakeDateTime(2024, 3, 1, 14, 5, 9);
    QCOMPARE(FormatShortDate(t, l), shortDate);
    QCOMPARE(FormatLongTime(t, l), longTime);
    QCOMPARE(FormatDateTime(t, l), shortDate + ' ' + longTime);
}

void TestFormatting::parseUserDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // ISO date, or empty when the text is no date

    // clang-format off
    QTest::newRow("ISO")                   << "de_DE" << "1999-12-31" << "1999-12-31";
    QTest::newRow("ISO, blanks around")    << "en_US" << " 2024-3-1 " << "2024-03-01";
    QTest::newRow("ISO, no such day")      << "en_US" << "1999-02-29" << "";
    QTest::newRow("US short date")         << "en_US" << "3/1/2024"   << "2024-03-01";
    QTest::newRow("US two-digit year 99")  << "en_US" << "3/1/99"     << "1999-03-01";
    QTest::newRow("US two-digit year 05")  << "en_US" << "3/1/05"     << "2005-03-01";
    QTest::newRow("German short date")     << "de_DE" << "01.03.2024" << "2024-03-01";
    QTest::newRow("German, no leading zeros") << "de_DE" << "1.3.98"     << "1998-03-01";
    QTest::newRow("German, four-digit year")  << "de_DE" << "1.11.1999"  << "1999-11-01";
    QTest::newRow("month names (C locale)")   << "C"     << "1 Mar 2024" << "2024-03-01";
    QTest::newRow("Finnish short date")    << "fi_FI" << "1.3.1998"   << "1998-03-01";
    QTest::newRow("Finnish two-digit year") << "fi_FI" << "1.7.26"    << "2026-07-01";
    QTest::newRow("Finnish year 30")       << "fi_FI" << "1.7.30"     << "1930-07-01";
    QTest::newRow("German two-digit 29")   << "de_DE" << "01.07.29"   << "2029-07-01";
    QTest::newRow("other locale's order")  << "de_DE" << "3/1/2024"   << "";
    QTest::newRow("garbage")               << "en_US" << "yesterday"  << "";
    QTest::newRow("empty")                 << "en_US" << ""           << "";
    // clang-format on
}

void TestFormatting::parseUserDate()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const std::optional<DateTime> day = ParseUserDate(text, QLocale(locale));
    QCOMPARE(day ? QString::fromStdString(FormatIsoDateTime(*day)) : QString(),
             expected.isEmpty() ? QString() : expected + " 00:00:00");
}

QTEST_GUILESS_MAIN(TestFormatting)
#include "test_formatting.moc"
