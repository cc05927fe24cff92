// The holiday calendar: ten fixed dates, Easter Sunday and Monday for
// 1995..2025 only.
#include "common/ScriptedPrompt.h"
#include "tariff/HolidayCalendar.h"

#include <QTest>

class TestHolidays : public QObject
{
    Q_OBJECT

private slots:
    void isHoliday_data();
    void isHoliday();
    void easterTable_data();
    void easterTable();
    void easterMondayGoneAfterTheTable();
    void creationYear();
    void notADate();
    void daysOfYearsInTurn();
};

void TestHolidays::isHoliday_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("holiday");
    const struct {
        int month, day;
    } fixed[] = {{1, 1},  {1, 6},  {4, 25}, {5, 1},   {8, 15},
                 {11, 1}, {12, 7}, {12, 8}, {12, 25}, {12, 26}};
    for (const auto& f : fixed)
        QTest::addRow("fixed %02d-%02d", f.month, f.day) << QDate(2001, f.month, f.day) << true;
    QTest::newRow("2 June is not") << QDate(2001, 6, 2) << false;
    QTest::newRow("an ordinary Sunday is not") << QDate(2001, 6, 3) << false;
    QTest::newRow("Easter 2002 on 31 March") << QDate(2002, 3, 31) << true;
    QTest::newRow("Easter Monday 2002 across the month end") << QDate(2002, 4, 1) << true;
    QTest::newRow("Easter Monday 2024") << QDate(2024, 4, 1) << true;
    QTest::newRow("the day after Easter Monday 2024") << QDate(2024, 4, 2) << false;
    QTest::newRow("Easter Monday 2025") << QDate(2025, 4, 21) << true;
    QTest::newRow("21 April 2026: no Easter beyond the table") << QDate(2026, 4, 21) << false;
    QTest::newRow("Easter Monday 1994: before the table") << QDate(1994, 4, 4) << false;
    QTest::newRow("fixed dates count in any year") << QDate(2040, 12, 8) << true;
}

void TestHolidays::isHoliday()
{
    QFETCH(QDate, date);
    QFETCH(bool, holiday);
    TflFestivi calendar(2000);
    // Only the date counts.
    const TDateTime midnight = dt::fromQDate(date);
    QCOMPARE(calendar.IsHoliday(midnight), holiday);
    QCOMPARE(calendar.IsHoliday(midnight + dt::encodeTime(23, 59, 59)), holiday);
    QCOMPARE(calendar.Year(), uint16_t(date.year()));
}

void TestHolidays::easterTable_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("month");
    // Western Easter Sundays, from published calendars.
    const int easter[][2] = {{16, 4}, {7, 4},  {30, 3}, {12, 4}, {4, 4}, {23, 4}, {15, 4}, {31, 3},
                             {20, 4}, {11, 4}, {27, 3}, {16, 4}, {8, 4}, {23, 3}, {12, 4}, {4, 4},
                             {24, 4}, {8, 4},  {31, 3}, {20, 4}, {5, 4}, {27, 3}, {16, 4}, {1, 4},
                             {21, 4}, {12, 4}, {4, 4},  {17, 4}, {9, 4}, {31, 3}, {20, 4}};
    for (int year = 1995; year <= 2025; ++year)
        QTest::addRow("%d", year) << year << easter[year - 1995][0] << easter[year - 1995][1];
    QTest::newRow("1994 is outside") << 1994 << 0 << 0;
    QTest::newRow("2026 is outside") << 2026 << 0 << 0;
}

void TestHolidays::easterTable()
{
    QFETCH(int, year);
    QFETCH(int, day);
    QFETCH(int, month);
    const TflFestivi::DayMonth e = TflFestivi::easterSunday(year);
    QCOMPARE(int(e.day), day);
    QCOMPARE(int(e.month), month);
}

void TestHolidays::easterMondayGoneAfterTheTable()
{
    TflFestivi calendar(2025);
    QVERIFY(calendar.IsHoliday(dt::encodeDate(2025, 4, 21)));
    QVERIFY(!calendar.IsHoliday(dt::encodeDate(2026, 4, 21)));
    QCOMPARE(calendar.entries()[TflFestivi::EasterMondayEntry], TflFestivi::DayMonth{});
}

void TestHolidays::creationYear()
{
    QCOMPARE(TflFestivi(2010).Year(), uint16_t(2010));
    QCOMPARE(TflFestivi(2030).Year(), uint16_t(0));
    // Creation does not compute Easter: only IsHoliday or ComputeEaster do.
    TflFestivi calendar(2000);
    QCOMPARE(calendar.entries()[TflFestivi::EasterEntry], TflFestivi::DayMonth{});
    calendar.ComputeEaster();
    QCOMPARE(calendar.entries()[TflFestivi::EasterEntry], (TflFestivi::DayMonth{23, 4}));
    QCOMPARE(calendar.entries()[TflFestivi::EasterMondayEntry], (TflFestivi::DayMonth{24, 4}));
}

void TestHolidays::notADate()
{
    TScriptedPrompt prompt;
    TflFestivi calendar(2000, &prompt);
    QVERIFY(!calendar.IsHoliday(std::nan("")));
    QVERIFY(!calendar.IsHoliday(1e9));
    QCOMPARE(prompt.texts(), QStringList({"Data Errata", "Data Errata"}));
    QCOMPARE(prompt.requests().first().buttons, int(PbOk));
}

// Re-pricing an archive asks one calendar about days of many years in turn:
// each answer, the year and its Easter entries follow the day asked about,
// also for a day asked about before.
void TestHolidays::daysOfYearsInTurn()
{
    TflFestivi calendar(2000);
    const struct {
        QDate date;
        bool holiday;
        TflFestivi::DayMonth easterMonday;
    } asks[] = {
        {QDate(2001, 4, 16), true, {16, 4}}, {QDate(2002, 4, 16), false, {1, 4}},
        {QDate(2001, 4, 16), true, {16, 4}}, {QDate(2002, 4, 1), true, {1, 4}},
        {QDate(2030, 4, 22), false, {}},     {QDate(2001, 4, 16), true, {16, 4}},
    };
    for (const auto& a : asks) {
        QCOMPARE(calendar.IsHoliday(dt::fromQDate(a.date) + 0.5), a.holiday);
        QCOMPARE(calendar.Year(), uint16_t(a.date.year()));
        QCOMPARE(calendar.entries()[TflFestivi::EasterMondayEntry], a.easterMonday);
    }
}

QTEST_GUILESS_MAIN(TestHolidays)
#include "tst_holidays.moc"
