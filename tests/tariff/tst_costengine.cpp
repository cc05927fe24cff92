// The cost engine: bands in force, the schedule of band changes, the second
// rate and the discount, holidays, and the Lire a connection costs.
#include "TariffFixtures.h"
#include "tariff/CostEngine.h"
#include "tariff/HolidayCalendar.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstring>

#include <limits>

using namespace fixtures;

namespace
{

TDateTime at(int y, int mo, int d, int h, int mi, int s = 0)
{
    return dt::encode(y, mo, d, h, mi, s);
}

// One all-day band on every row; the caller sets its extra fields.
TariffTable allDay(float rate)
{
    TariffTable t;
    setBandOn(t, AllRows, 1, 0, 0, rate);
    return t;
}

TariffTable profileNamed(const QString& name)
{
    if (name == QLatin1String("evening"))
        return evening();
    if (name == QLatin1String("second")) {
        TariffTable t = allDay(100);
        for (int row : AllRows) {
            t.cell(1, row).doposec = 120;
            t.cell(1, row).costo2 = 50;
        }
        return t;
    }
    if (name == QLatin1String("discount")) {
        TariffTable t = allDay(100);
        for (int row : AllRows) {
            t.cell(1, row).sco.attivo = 1;
            t.cell(1, row).sco.percent = 50;
            t.cell(1, row).sco.doposec = 60;
        }
        return t;
    }
    if (name == QLatin1String("freeFixed") || name == QLatin1String("fixed")) {
        TariffTable t = allDay(name == QLatin1String("fixed") ? 100 : FreeMarker);
        for (int row : AllRows) {
            t.cell(1, row).scrsi = 1;
            t.cell(1, row).costorisp = 127;
        }
        return t;
    }
    if (name == QLatin1String("days")) {
        // Weekdays 10, Sunday 4, holidays 2.
        TariffTable t;
        setBandOn(t, WeekdayRows, 1, 0, 0, 10);
        setBand(t, 1, SundayRow, 0, 0, 4);
        setBand(t, 1, HolidayRow, 0, 0, 2);
        return t;
    }
    if (name == QLatin1String("lateHoliday")) {
        // The holiday row has nothing before 08:00.
        TariffTable t;
        setBandOn(t, {0, 1, 2, 3, 4, 5, 6}, 1, 0, 0, 10);
        setBand(t, 1, HolidayRow, 8, 0, 2);
        setBand(t, 2, HolidayRow, 20, 0, 1);
        return t;
    }
    if (name == QLatin1String("morning")) {
        // Weekdays from 08:00 at 10, Saturday from 08:00 at 6, nothing else.
        TariffTable t;
        setBandOn(t, {0, 1, 2, 3, 4}, 1, 8, 0, 10);
        setBand(t, 1, 5, 8, 0, 6);
        return t;
    }
    if (name == QLatin1String("secondAcross")) {
        TariffTable t = evening();
        for (int row : AllRows) {
            t.cell(1, row).doposec = 600;
            t.cell(1, row).costo2 = 8;
            t.cell(2, row).costo2 = 3;
        }
        return t;
    }
    if (name == QLatin1String("discountAcross")) {
        TariffTable t = evening();
        for (int row : AllRows) {
            t.cell(1, row).sco = {1, {}, 50, 600};
        }
        return t;
    }
    if (name == QLatin1String("holidaysOnly")) {
        TariffTable t;
        setBand(t, 1, HolidayRow, 0, 0, 2);
        return t;
    }
    // Damaged profile files: a rate or charge that is not a number, or one
    // so large that the cost no longer fits a float.
    if (name == QLatin1String("nanRate"))
        return allDay(std::numeric_limits<float>::quiet_NaN());
    if (name == QLatin1String("nanSecond")) {
        TariffTable t = profileNamed(QStringLiteral("second"));
        for (int row : AllRows)
            t.cell(1, row).costo2 = std::numeric_limits<float>::quiet_NaN();
        return t;
    }
    if (name == QLatin1String("infFixed")) {
        TariffTable t = profileNamed(QStringLiteral("fixed"));
        for (int row : AllRows)
            t.cell(1, row).costorisp = std::numeric_limits<float>::infinity();
        return t;
    }
    if (name == QLatin1String("hugeRate"))
        return allDay(std::numeric_limits<float>::max());
    if (name == QLatin1String("empty"))
        return {};
    qFatal("unknown profile %s", qPrintable(name));
}

} // namespace

class TestCostEngine : public QObject
{
    Q_OBJECT

private slots:
    void dayRow();
    void cost_data();
    void cost();
    void mondayEveningSchedule();
    void tenEntriesOverTwoWeeks();
    void noFurtherBandKeepsWhatWasFound();
    void midnightIntoHolidayMovesRow();
    void easterSundayLooksAheadOnSundayRow();
    void noBand_data();
    void noBand();
    void elapsedSeconds_data();
    void elapsedSeconds();
    void runningSumRoundedAfterEachAddition();
    void vat();
    void trace();
    void wholeConnectionAsTheSchedule();
};

void TestCostEngine::dayRow()
{
    // 2000-03-06 was a Monday.
    for (int i = 0; i < 7; ++i)
        QCOMPARE(DayRow(at(2000, 3, 6 + i, 12, 0)), i);
}

void TestCostEngine::cost_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<double>("start");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<float>("expected");

    const double monday1800 = at(2000, 3, 6, 18, 0);
    QTest::newRow("Monday 18:00, 3000 s over the 18:30 change")
        << "evening" << monday1800 << 3000 << 400.0f;
    QTest::newRow("Monday 18:00, inside the first band") << "evening" << monday1800 << 60 << 10.0f;
    QTest::newRow("0 seconds, no fixed charge") << "evening" << monday1800 << 0 << 0.0f;
    // Starts must be strictly earlier: at 18:30:00 the 00:00 band is in
    // force, and the next change is the one strictly after 18:30 (midnight).
    QTest::newRow("start exactly at 18:30") << "evening" << at(2000, 3, 6, 18, 30) << 600 << 100.0f;
    QTest::newRow("second rate after 120 s") << "second" << at(2000, 3, 8, 10, 0) << 180 << 250.0f;
    QTest::newRow("second rate not yet") << "second" << at(2000, 3, 8, 10, 0) << 120 << 200.0f;
    QTest::newRow("discount after 60 s") << "discount" << at(2000, 3, 8, 10, 0) << 120 << 150.0f;
    QTest::newRow("discount not yet") << "discount" << at(2000, 3, 8, 10, 0) << 60 << 100.0f;
    QTest::newRow("free band still makes its fixed charge")
        << "freeFixed" << at(2000, 3, 8, 10, 0) << 600 << 127.0f;
    QTest::newRow("0 seconds cost the fixed charge")
        << "fixed" << at(2000, 3, 8, 10, 0) << 0 << 127.0f;
    QTest::newRow("fixed charge plus rate") << "fixed" << at(2000, 3, 8, 10, 0) << 60 << 227.0f;
    QTest::newRow("weekday holiday on the FESTIVI row (8 Dec 2000, Friday)")
        << "days" << at(2000, 12, 8, 12, 0) << 60 << 2.0f;
    QTest::newRow("ordinary Friday") << "days" << at(2000, 12, 15, 12, 0) << 60 << 10.0f;
    QTest::newRow("Easter Sunday on the DOM row") << "days" << at(2000, 4, 23, 12, 0) << 60 << 4.0f;
    QTest::newRow("Christmas on a Sunday on the DOM row")
        << "days" << at(2005, 12, 25, 12, 0) << 60 << 4.0f;
    QTest::newRow("Easter Monday on the FESTIVI row")
        << "days" << at(2000, 4, 24, 12, 0) << 60 << 2.0f;
    QTest::newRow("holiday at 00:30: the FESTIVI band of the day before")
        << "lateHoliday" << at(2000, 12, 8, 0, 30) << 60 << 1.0f;
    QTest::newRow("across midnight into a weekday holiday")
        << "days" << at(2000, 10, 31, 23, 59) << 120 << 12.0f;
    QTest::newRow("Saturday before its band: Friday's band goes on")
        << "morning" << at(2000, 3, 11, 7, 0) << 60 << 10.0f;
    // 600 s at 10, 1200 s at the band's own costo2 8, then 1200 s in the
    // 18:30 band at its costo2 3: thresholds count from the connection start.
    QTest::newRow("second rate across a band change")
        << "secondAcross" << monday1800 << 3000 << 320.0f;
    QTest::newRow("discount across a band change")
        << "discountAcross" << monday1800 << 3000 << 250.0f;
    QTest::newRow("no further band: the last entry runs on")
        << "holidaysOnly" << at(2000, 12, 8, 12, 0) << 3600 << 120.0f;
    // A cost that is not a finite number would be stored in the connection
    // record, and readers skip such a record as damaged: the connection would
    // vanish from the archive. A damaged profile prices the connection at 0.
    const double wednesday = at(2000, 3, 8, 10, 0);
    QTest::newRow("damaged: rate not a number") << "nanRate" << wednesday << 60 << 0.0f;
    QTest::newRow("damaged: second rate not a number, not yet")
        << "nanSecond" << wednesday << 120 << 200.0f;
    QTest::newRow("damaged: second rate not a number") << "nanSecond" << wednesday << 180 << 0.0f;
    QTest::newRow("damaged: infinite fixed charge") << "infFixed" << wednesday << 60 << 0.0f;
    QTest::newRow("damaged: cost beyond a float") << "hugeRate" << wednesday << 120 << 0.0f;
}

void TestCostEngine::cost()
{
    QFETCH(QString, profile);
    QFETCH(double, start);
    QFETCH(int, seconds);
    QFETCH(float, expected);

    const TariffTable table = profileNamed(profile);
    TflFestivi holidays(2000);
    const auto schedule = BuildSchedule(table, start, holidays);
    QVERIFY(schedule);
    QCOMPARE(CostForSeconds(table, *schedule, seconds), expected);
    // The same through the elapsed-time rule, with an end a little past the
    // last whole second so that truncation lands on it.
    const TDateTime end = start + (seconds + 0.5) * dt::OneSecond;
    const CostResult r = ComputeCost(table, *schedule, start, end);
    QCOMPARE(r.cost, expected);
    QCOMPARE(r.elapsed, end - start);
}

void TestCostEngine::mondayEveningSchedule()
{
    TflFestivi holidays(2000);
    const auto s = BuildSchedule(evening(), at(2000, 3, 6, 18, 0), holidays);
    QVERIFY(s);
    QCOMPARE(s->size(), Schedule::MaxEntries);
    const struct {
        int band, row, duration;
        float rate;
    } expected[] = {{1, 0, 1800, 10},  {2, 0, 19800, 5}, {1, 1, 66600, 10}, {2, 1, 19800, 5},
                    {1, 2, 66600, 10}, {2, 2, 19800, 5}, {1, 3, 66600, 10}, {2, 3, 19800, 5},
                    {1, 4, 66600, 10}, {2, 4, -1, 5}};
    for (int i = 0; i < Schedule::MaxEntries; ++i) {
        QCOMPARE((*s)[i].band, expected[i].band);
        QCOMPARE((*s)[i].row, expected[i].row);
        QCOMPARE((*s)[i].duration, expected[i].duration);
        QCOMPARE((*s)[i].rate, expected[i].rate);
    }
    QVERIFY((*s)[9].isEndless());
}

void TestCostEngine::tenEntriesOverTwoWeeks()
{
    // One band a week: each search has to look into the following week.
    TariffTable t;
    setBand(t, 1, 2, 8, 0, 10); // Wednesdays 08:00
    TflFestivi holidays(2000);
    const auto s = BuildSchedule(t, at(2000, 3, 10, 9, 0), holidays); // Friday
    QVERIFY(s);
    QCOMPARE(s->size(), Schedule::MaxEntries);
    QCOMPARE((*s)[0].row, 2);
    QCOMPARE((*s)[0].duration, 5 * 86400 - 3600); // to Wednesday 15 March 08:00
    for (int i = 1; i < Schedule::MaxEntries - 1; ++i)
        QCOMPARE((*s)[i].duration, 7 * 86400);
}

void TestCostEngine::noFurtherBandKeepsWhatWasFound()
{
    TflFestivi holidays(2000);
    const auto s = BuildSchedule(profileNamed("holidaysOnly"), at(2000, 12, 8, 12, 0), holidays);
    QVERIFY(s);
    QCOMPARE(s->size(), 1);
    QCOMPARE((*s)[0].row, HolidayRow);
    QVERIFY((*s)[0].isEndless());
}

void TestCostEngine::midnightIntoHolidayMovesRow()
{
    // Tuesday 31 October 2000, then All Saints' Day (Wednesday).
    TflFestivi holidays(2000);
    const auto s = BuildSchedule(profileNamed("days"), at(2000, 10, 31, 23, 59), holidays);
    QVERIFY(s);
    QCOMPARE((*s)[0].row, 1);
    QCOMPARE((*s)[0].duration, 60);
    QCOMPARE((*s)[1].row, HolidayRow);
    QCOMPARE((*s)[1].rate, 2.0f);
    QCOMPARE((*s)[2].row, 3); // Thursday is an ordinary day again
}

void TestCostEngine::easterSundayLooksAheadOnSundayRow()
{
    // Saturday 22 April 2000 23:00: the next change is Easter Sunday 00:00,
    // a holiday that is a Sunday, then Easter Monday and 25 April on the
    // holiday row, then an ordinary Wednesday.
    TflFestivi holidays(2000);
    const auto s = BuildSchedule(profileNamed("days"), at(2000, 4, 22, 23, 0), holidays);
    QVERIFY(s);
    QCOMPARE((*s)[1].row, SundayRow);
    QCOMPARE((*s)[2].row, HolidayRow);
    QCOMPARE((*s)[3].row, HolidayRow);
    QCOMPARE((*s)[4].row, 2);
}

void TestCostEngine::noBand_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<double>("start");
    QTest::newRow("empty profile") << "empty" << at(2000, 3, 8, 10, 0);
    QTest::newRow("Monday before its first band") << "morning" << at(2000, 3, 6, 7, 0);
    QTest::newRow("Monday exactly at midnight") << "evening" << at(2000, 3, 6, 0, 0);
    QTest::newRow("Easter Monday before the FESTIVI row's first band")
        << "lateHoliday" << at(2000, 4, 24, 7, 0);
    QTest::newRow("not a date") << "evening" << std::nan("");
    QTest::newRow("beyond the calendar") << "evening" << 1e7;
}

void TestCostEngine::noBand()
{
    QFETCH(QString, profile);
    QFETCH(double, start);
    TflFestivi holidays(2000);
    QVERIFY(!BuildSchedule(profileNamed(profile), start, holidays));
    QVERIFY(NoBandText(QStringLiteral("Prova")).contains(QLatin1String("<Prova>")));
}

void TestCostEngine::elapsedSeconds_data()
{
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<qint64>("seconds");
    QTest::newRow("zero") << 0.0 << qint64(0);
    QTest::newRow("a fraction truncates") << 0.9 * dt::OneSecond << qint64(0);
    QTest::newRow("an hour and a bit") << 3600.4 * dt::OneSecond << qint64(3600);
    QTest::newRow("end before start counts as 0") << -5 * dt::OneSecond << qint64(0);
    QTest::newRow("not a number") << std::nan("") << qint64(0);
}

void TestCostEngine::elapsedSeconds()
{
    QFETCH(double, elapsed);
    QFETCH(qint64, seconds);
    const TDateTime start = at(2000, 3, 6, 18, 0);
    QCOMPARE(ElapsedSeconds(start, start + elapsed), seconds);
}

void TestCostEngine::runningSumRoundedAfterEachAddition()
{
    // 2^24 + 1 is not a float: each 1-Lira addition rounds back to 2^24.
    // Summed in one go the two additions would give 2^24 + 2.
    TariffTable t = allDay(1);
    t.cell(1, 0).scrsi = 1;
    t.cell(1, 0).costorisp = 16777216.0f;
    const auto s = Schedule::fromEntries({{1, 0, 0, 60, 1}, {1, 0, 0, 60, 1}, {1, 0, 0, 0, 0}});
    QVERIFY(s);
    QCOMPARE(CostForSeconds(t, *s, 120), 16777216.0f);
}

void TestCostEngine::vat()
{
    QCOMPARE(WithVat(1000, 20), 1200.0f);
    QCOMPARE(ShownCost(1000, 20), 1200.49f);
    QCOMPARE(WithVat(1234.4f, 20), 1481.28f);
    QCOMPARE(ShownCost(1234.4f, 20), 1481.77f);
    QCOMPARE(LireToEuro(1936.27f, 1936.27f), 1.0f);
    QCOMPARE(LireToEuro(1000, 0), 0.0f);
    // VAT on the largest cost still gives a number a record can hold.
    QCOMPARE(WithVat(std::numeric_limits<float>::max(), 20), 0.0f);
    QCOMPARE(ShownCost(std::numeric_limits<float>::max(), 20), 0.0f);
}

void TestCostEngine::trace()
{
    TflFestivi holidays(2000);
    ScheduleTrace trace{QStringLiteral("Prova"), {}};
    QVERIFY(BuildSchedule(profileNamed("discount"), at(2000, 3, 8, 10, 0), holidays, &trace));
    QCOMPARE(trace.lines.value(0), QStringLiteral("Inizio Connessione:"));
    QCOMPARE(trace.lines.value(1), QStringLiteral("Prova"));
    QVERIFY(trace.lines.value(2).startsWith(QLatin1String("This 1 2 ")));
    QVERIFY(trace.lines.contains(QStringLiteral("sco.attivo = true")));
    QCOMPARE(trace.lines.last(), QStringLiteral("lo sconto è attivato!!!!!!!!"));
}

// Re-pricing builds only as much of a schedule as a connection needs; the
// cost must be the one the whole schedule gives, to the bit. Random
// profiles (bands on some rows, free bands, fixed charges, second rates
// and discounts with thresholds short and long) and random connections
// (from no time at all to days, starting on band changes too).
void TestCostEngine::wholeConnectionAsTheSchedule()
{
    QRandomGenerator rng(2001);
    TflFestivi holidays(2000);
    TflFestivi holidays2(2000);
    for (int p = 0; p < 200; ++p) {
        TariffTable t;
        for (int row = 0; row < DayRows; ++row) {
            if (rng.bounded(8) == 0)
                continue; // a row without bands
            const int bands = 1 + int(rng.bounded(BandColumns));
            int minute = rng.bounded(3) == 0 ? int(rng.bounded(120)) : 0;
            for (int b = 1; b <= bands && minute < 1440; ++b) {
                TariffCell& c =
                    setBand(t, b, row, minute / 60, minute % 60,
                            rng.bounded(6) == 0 ? FreeMarker : float(1 + rng.bounded(300)));
                c.scrsi = uint8_t(rng.bounded(2));
                c.costorisp = float(rng.bounded(200));
                c.doposec = rng.bounded(3) == 0 ? int32_t(rng.bounded(4000)) - 100 : 0;
                c.costo2 = float(rng.bounded(200));
                c.sco = {uint8_t(rng.bounded(2)),
                         {},
                         int32_t(rng.bounded(80)),
                         int32_t(rng.bounded(7200)) - 100};
                minute += 1 + int(rng.bounded(600));
            }
        }
        for (int k = 0; k < 100; ++k) {
            TDateTime start = dt::encodeDate(1995, 1, 1) + rng.bounded(365.0 * 35);
            if (k % 10 == 0) // exactly on a minute, as band changes are
                start = std::floor(start * 1440) / 1440;
            const int seconds = k % 4 == 0 ? int(rng.bounded(4 * 86400)) : int(rng.bounded(5400));
            const TDateTime end = start + seconds * dt::OneSecond;
            const std::optional<Schedule> schedule = BuildSchedule(t, start, holidays);
            const std::optional<float> whole = CostOfConnection(t, start, end, holidays2);
            QCOMPARE(whole.has_value(), schedule.has_value());
            if (!schedule)
                continue;
            const float expected = ComputeCost(t, *schedule, start, end).cost;
            if (std::memcmp(&expected, &*whole, sizeof expected) != 0)
                QFAIL(qPrintable(QStringLiteral("profile %1, start %2, %3 s: %4 instead of %5")
                                     .arg(p)
                                     .arg(dt::toIsoText(start))
                                     .arg(seconds)
                                     .arg(double(*whole), 0, 'g', 9)
                                     .arg(double(expected), 0, 'g', 9)));
        }
    }
}

QTEST_GUILESS_MAIN(TestCostEngine)
#include "tst_costengine.moc"
