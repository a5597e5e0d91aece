#include "analysis/holidays.h"
#include "log/datetime.h"

#include <QTest>

using namespace dialtally;

class TestHolidays : public QObject {
    Q_OBJECT

private slots:
    void easterSunday_data();
    void easterSunday();
    void readHoliday_data();
    void readHoliday();
    void listRoundTrip();
    void calendarInsideAndOutsideWorkedYears();
};

void TestHolidays::easterSunday_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");

    // clang-format off
    QTest::newRow("earliest possible (1818)") << 1818 << 3 << 22;
    QTest::newRow("1961")                     << 1961 << 4 <<  2;
    QTest::newRow("2000")                     << 2000 << 4 << 23;
    QTest::newRow("2008")                     << 2008 << 3 << 23;
    QTest::newRow("2019")                     << 2019 << 4 << 21;
    QTest::newRow("2024")                     << 2024 << 3 << 31;
    QTest::newRow("2025")                     << 2025 << 4 << 20;
    QTest::newRow("latest possible (2038)")   << 2038 << 4 << 25;
    QTest::newRow("2285, past the worked span") << 2285 << 3 << 22;
    // clang-format on
}

void TestHolidays::easterSunday()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QCOMPARE(EasterSunday(year), (MonthDay{month, day}));
}

void TestHolidays::readHoliday_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("canonical");

    // clang-format off
    QTest::newRow("fixed")                << "12-25"      << true  << "12-25";
    QTest::newRow("fixed leap day")       << "02-29"      << true  << "02-29";
    QTest::newRow("one-off")              << "2027-05-14" << true  << "2027-05-14";
    QTest::newRow("one-off, early year")  << "0272-05-14" << true  << "0272-05-14";
    QTest::newRow("one-off, year 99")     << "0099-05-14" << false << "";
    QTest::newRow("Easter Sunday")        << "Easter"     << true  << "easter";
    QTest::newRow("Good Friday")          << "easter-2"   << true  << "easter-2";
    QTest::newRow("Whit Monday")          << "easter+50"  << true  << "easter+50";
    QTest::newRow("no such day")          << "02-30"      << false << "";
    QTest::newRow("leap day, common year")<< "2027-02-29" << false << "";
    QTest::newRow("month 13")             << "13-01"      << false << "";
    QTest::newRow("one digit")            << "1-1"        << false << "";
    QTest::newRow("offset too far")       << "easter+201" << false << "";
    QTest::newRow("bare offset")          << "+1"         << false << "";
    // clang-format on
}

void TestHolidays::readHoliday()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, canonical);
    const auto holiday = ReadHoliday(text);
    QCOMPARE(holiday.has_value(), valid);
    if (holiday)
        QCOMPARE(HolidayText(*holiday), canonical);
}

void TestHolidays::listRoundTrip()
{
    const auto list = ReadHolidayList(QStringLiteral(" 12-25, easter+1  2027-05-14,,"));
    QVERIFY(list);
    QCOMPARE(list->size(), std::size_t(3));
    QCOMPARE(HolidayListText(*list), QStringLiteral("12-25,easter+1,2027-05-14"));
    QCOMPARE(ReadHolidayList(HolidayListText(*list)), list);
    QVERIFY(ReadHolidayList(QString())->empty());

    QString bad;
    QVERIFY(!ReadHolidayList(QStringLiteral("12-25,xmas"), &bad));
    QCOMPARE(bad, QStringLiteral("xmas"));
}

void TestHolidays::calendarInsideAndOutsideWorkedYears()
{
    const HolidayCalendar calendar(*ReadHolidayList(QStringLiteral("02-29,easter+1")));
    const auto day = [](int y, int m, int d) { return MakeDateTime(y, m, d)->seconds / 86400; };
    QVERIFY(calendar.IsHoliday(day(2024, 2, 29)));
    QVERIFY(!calendar.IsHoliday(day(2023, 3, 1)));
    QVERIFY(calendar.IsHoliday(day(2024, 4, 1)));
    QVERIFY(calendar.IsHoliday(day(1818, 3, 23))); // worked out when asked
    QVERIFY(!calendar.IsHoliday(day(1818, 3, 24)));
    QVERIFY(calendar.IsHoliday(day(2400, 2, 29)));
    QVERIFY(!HolidayCalendar({}).IsHoliday(day(2024, 2, 29)));
}

QTEST_GUILESS_MAIN(TestHolidays)
#include "test_holidays.moc"
